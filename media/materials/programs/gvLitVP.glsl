#version 120
// Lighting in tangent space for the bump-map and shadow-receiver materials.
// A mesh without tangents (all zero) gets a tangent made from its normal.
attribute vec4 vertex;
attribute vec3 normal;
attribute vec3 tangent;
attribute vec4 uv0;

uniform mat4 worldViewProj;
uniform mat4 world;
uniform mat4 texViewProj;
uniform vec4 lightPosition;  // object space; w = 0 for a directional light
uniform vec4 eyePosition;    // object space

varying vec2 uv;
varying vec3 lightDir;  // tangent space
varying vec3 halfDir;   // tangent space
varying vec4 shadowUV;

void main() {
  gl_Position = worldViewProj * vertex;
  uv = uv0.xy;
  vec3 n = normalize(normal);
  vec3 t = tangent - n * dot(n, tangent);
  if (dot(t, t) > 1e-8)
    t = normalize(t);
  else
    t = normalize(cross(n, abs(n.x) < 0.9 ? vec3(1.0, 0.0, 0.0) : vec3(0.0, 1.0, 0.0)));
  vec3 b = cross(n, t);
  // Rows t, b, n: object space into tangent space.
  mat3 toTangent = mat3(t.x, b.x, n.x, t.y, b.y, n.y, t.z, b.z, n.z);
  vec3 l = lightPosition.xyz - vertex.xyz * lightPosition.w;
  vec3 e = eyePosition.xyz - vertex.xyz;
  lightDir = toTangent * l;
  halfDir = toTangent * (normalize(l) + normalize(e));
  shadowUV = texViewProj * (world * vertex);
}
