// Renumbering the scene's Geos or Jels to 1..n in list order, with every
// reference to them carried along: attachments, the Geo-id blocks, glue
// links, the Jel ids the Geos hold, the vehicle and the main logic program.
#pragma once

#include <cstdint>
#include <vector>

// A renumbering's id table: ids[i] (1..count) holds the old id of the object
// that becomes number i; entry 0 holds nothing.
struct IdTable {
  int32_t count = 0;
  std::vector<int32_t> ids;
  const int32_t* data() const { return ids.data(); }
};

// A zeroed table of n entries.
IdTable GVNewIdTable(int32_t n);

// Renumber the scene's (GVScene()) Geos / Jels; each returns the new id of the
// object that had the given id, 0 when there is no such object or no object.
int32_t GVRenumberGeos(int32_t geoId);
int32_t GVRenumberJels(int32_t jelId);
