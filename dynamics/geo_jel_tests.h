// Hands the Geo-against-Jel collision entry of the Geo code the collision
// tests of the dynamics code: node and edge tests against triangles or quads,
// and the vertex test against the Jel's faces.
#pragma once

// Installs the tests (the application does this once at start-up).
void GVInstallGeoJelTests();
