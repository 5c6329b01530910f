#version 120
// One light with ambient, optional normal map (BUMP), optional shadow texture
// (SHADOW, four taps with SOFT) and optional diffuse texture (TEXTURED).
uniform vec4 lightDiffuse;
uniform vec4 lightSpecular;
uniform vec4 ambient;
uniform vec4 surfaceAmbient;
uniform vec4 surfaceDiffuse;
uniform vec4 surfaceSpecular;
uniform float shininess;
uniform float tiling;
#ifdef BUMP
uniform sampler2D normalMap;
#endif
#ifdef SHADOW
uniform sampler2D shadowMap;
uniform float texelSize;
#endif
#ifdef TEXTURED
uniform sampler2D diffuseMap;
#endif

varying vec2 uv;
varying vec3 lightDir;
varying vec3 halfDir;
varying vec4 shadowUV;

#ifdef SHADOW
// The shadow texture holds 0 where a caster covers the light, 1 elsewhere;
// outside the light's frustum everything is lit.
float lightAt(vec2 s) {
  if (s.x <= 0.0 || s.y <= 0.0 || s.x >= 1.0 || s.y >= 1.0) return 1.0;
  return clamp(texture2D(shadowMap, s).r, 0.0, 1.0);
}
#endif

void main() {
  vec3 n = vec3(0.0, 0.0, 1.0);
#ifdef BUMP
  n = normalize(texture2D(normalMap, uv * tiling).xyz * 2.0 - 1.0);
#endif
  float lit = 1.0;
#ifdef SHADOW
  if (shadowUV.w > 0.0) {
    vec2 s = shadowUV.xy / shadowUV.w;
#ifdef SOFT
    lit = 0.25 * (lightAt(s + vec2(-texelSize, -texelSize)) + lightAt(s + vec2(texelSize, -texelSize)) +
                  lightAt(s + vec2(-texelSize, texelSize)) + lightAt(s + vec2(texelSize, texelSize)));
#else
    lit = lightAt(s);
#endif
  }
#endif
  float diffuse = max(dot(n, normalize(lightDir)), 0.0) * lit;
  float spec = diffuse > 0.0 ? pow(max(dot(n, normalize(halfDir)), 0.0), shininess) * lit : 0.0;
  vec4 base = surfaceDiffuse;
#ifdef TEXTURED
  base *= texture2D(diffuseMap, uv);
#endif
  vec3 colour = base.rgb * (ambient.rgb * surfaceAmbient.rgb + lightDiffuse.rgb * diffuse) + lightSpecular.rgb * surfaceSpecular.rgb * spec;
  gl_FragColor = vec4(colour, base.a);
}
