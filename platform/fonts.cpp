// Font realisation: a LOGFONT becomes a FreeType face at a pixel size, with
// Win32's metrics (cell height from the face's Windows ascent and descent, an
// average width from the lower-case letter frequencies) so that layouts made
// for the original faces come out the same with the metric-compatible ones.
#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_OUTLINE_H

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/gdi_internal.h"

namespace {

FT_Library library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) return static_cast<FT_Library>(nullptr);
    return l;
  }();
  return lib;
}

std::string lower(const char* s) {
  std::string r;
  for (; s && *s; s++) r += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
  return r;
}

// The program names the classic Windows faces; the free metric-compatible faces
// stand in for them, and fontconfig would otherwise pick an unrelated default.
std::string familyFor(const char* faceName) {
  std::string f = lower(faceName);
  if (f.empty() || f == "arial" || f == "helvetica" || f == "ms sans serif" ||
      f == "ms shell dlg" || f == "system")
    return "Liberation Sans";
  if (f == "timesroman" || f == "times new roman" || f == "times" || f == "tms rmn" ||
      f == "ms serif")
    return "Liberation Serif";
  if (f == "courier" || f == "courier new" || f == "fixedsys" || f == "terminal")
    return "Liberation Mono";
  return faceName;
}

// Frequencies (per thousand) of the lower-case letters and the space, used to
// weigh the average character width as the classic TrueType tables did.
const int kLetterWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2, 166};

void fillMetrics(GVFont& font, FT_Face face, const LOGFONTA& lf) {
  TEXTMETRICA& tm = font.metrics;
  double units = face->units_per_EM ? face->units_per_EM : 2048;
  double scale = font.pixelSize / units;
  TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  TT_HoriHeader* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  double winAscent = os2 ? os2->usWinAscent : face->ascender;
  double winDescent = os2 ? os2->usWinDescent : -face->descender;
  // Rounded up so that every glyph of the face lies inside the cell.
  tm.tmAscent = static_cast<LONG>(std::ceil(winAscent * scale - 1e-6));
  tm.tmDescent = static_cast<LONG>(std::ceil(winDescent * scale - 1e-6));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = tm.tmHeight - font.pixelSize;
  if (tm.tmInternalLeading < 0) tm.tmInternalLeading = 0;
  double gap = 0;
  if (hhea) gap = (hhea->Ascender - hhea->Descender + hhea->Line_Gap) - (winAscent + winDescent);
  tm.tmExternalLeading = gap > 0 ? static_cast<LONG>(std::lround(gap * scale)) : 0;
  double sum = 0;
  int total = 0;
  for (int i = 0; i < 27; i++) {
    FT_ULong ch = i < 26 ? 'a' + i : ' ';
    if (FT_Load_Char(face, ch, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) continue;
    sum += face->glyph->advance.x * double(kLetterWeights[i]);
    total += kLetterWeights[i];
  }
  tm.tmAveCharWidth = total ? static_cast<LONG>(std::lround(sum / total * scale)) : font.pixelSize / 2;
  tm.tmMaxCharWidth = static_cast<LONG>(std::lround(face->max_advance_width * scale));
  tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  // Bit 0 set means variable pitch (Win32's inverted naming); 2 vector, 4 TrueType.
  BYTE pitch = FT_IS_FIXED_WIDTH(face) ? 0 : 1;
  tm.tmPitchAndFamily = static_cast<BYTE>(pitch | 2 | 4 | (lf.lfPitchAndFamily & 0xF0));
  tm.tmCharSet = ANSI_CHARSET;
}

std::map<std::string, std::shared_ptr<GVFont>>& fontCache() {
  static std::map<std::string, std::shared_ptr<GVFont>> cache;
  return cache;
}

}  // namespace

uint32_t GVCodePointFromAnsi(unsigned char c) {
  static const uint16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  if (c >= 0x80 && c < 0xA0) return k80[c - 0x80];
  return c;
}

bool GVFindFontFile(const char* faceName, int weight, bool italic, std::string* file,
                    int* faceIndex) {
  // Fontconfig keeps its configuration until FcFini; releasing it at exit keeps
  // leak checkers quiet about the library's own caches.
  static bool ready = [] {
    if (FcInit() != FcTrue) return false;
    std::atexit([] { FcFini(); });
    return true;
  }();
  if (!ready) return false;
  std::string family = familyFor(faceName);
  FcPattern* pat = FcPatternCreate();
  if (!pat) return false;
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : FW_NORMAL));
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  FcPatternDestroy(pat);
  if (!match) return false;
  FcChar8* path = nullptr;
  int index = 0;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (ok) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    *file = reinterpret_cast<const char*>(path);
    *faceIndex = index;
  }
  FcPatternDestroy(match);
  return ok;
}

GVFont::~GVFont() {
  if (face) FT_Done_Face(static_cast<FT_Face>(face));
}

const GVGlyph& GVFont::glyph(unsigned char c) {
  GVGlyph& g = glyphs[c];
  if (g.loaded) return g;
  g.loaded = true;
  FT_Face f = static_cast<FT_Face>(face);
  if (!f || FT_Load_Char(f, GVCodePointFromAnsi(c), FT_LOAD_DEFAULT) != 0) return g;
  FT_GlyphSlot slot = f->glyph;
  g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.coverage.resize(static_cast<size_t>(g.width) * g.height);
  for (int y = 0; y < g.height; y++)
    std::memcpy(g.coverage.data() + static_cast<size_t>(y) * g.width, bm.buffer + y * bm.pitch, g.width);
  return g;
}

std::shared_ptr<GVFont> GVRealiseFont(GVGdiObject& o) {
  if (o.font) return o.font;
  const LOGFONTA& lf = o.logFont;
  FT_Library lib = library();
  if (!lib) return nullptr;
  std::string file;
  int index = 0;
  if (!GVFindFontFile(lf.lfFaceName, lf.lfWeight, lf.lfItalic != 0, &file, &index)) return nullptr;
  // Win32 sizes: a negative height is the character (em) height, a positive one
  // the cell height, which the em takes in proportion to the Windows ascent
  // plus descent. Zero asks for the default size.
  FT_Face face = nullptr;
  if (FT_New_Face(lib, file.c_str(), index, &face) != 0) return nullptr;
  int em = 16;
  if (lf.lfHeight < 0) {
    em = -lf.lfHeight;
  } else if (lf.lfHeight > 0) {
    TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double cell = os2 ? os2->usWinAscent + os2->usWinDescent : face->ascender - face->descender;
    em = static_cast<int>(std::lround(lf.lfHeight * double(face->units_per_EM) / (cell > 0 ? cell : 1)));
  }
  if (em < 1) em = 1;
  if (em > 2000) em = 2000;
  std::string key = file + "#" + std::to_string(index) + "#" + std::to_string(em) + "#" +
                    std::to_string(lf.lfWeight) + "#" + std::to_string(lf.lfItalic ? 1 : 0) +
                    std::to_string(lf.lfUnderline ? 1 : 0) + std::to_string(lf.lfStrikeOut ? 1 : 0) +
                    "#" + std::to_string(lf.lfPitchAndFamily);
  auto it = fontCache().find(key);
  if (it != fontCache().end()) {
    FT_Done_Face(face);
    o.font = it->second;
    return o.font;
  }
  if (FT_Set_Pixel_Sizes(face, 0, em) != 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  auto font = std::make_shared<GVFont>();
  font->file = file;
  font->faceIndex = index;
  font->pixelSize = em;
  font->face = face;
  fillMetrics(*font, face, lf);
  fontCache()[key] = font;
  o.font = font;
  return font;
}

GVGdiObject* GVDefaultFontObject() {
  // The default face of every context: bold Sans at a 14-pixel em, a 16-pixel
  // cell and 7-pixel average width. Layouts are computed from these metrics, so
  // it never changes.
  static GVGdiObject* object = [] {
    LOGFONTA lf = {};
    lf.lfHeight = -14;
    lf.lfWeight = FW_BOLD;
    std::strcpy(lf.lfFaceName, "Liberation Sans");
    GVGdiObject* f = GVGdiObjectFromHandle(CreateFontIndirectA(&lf));
    if (f) f->stock = true;
    return f;
  }();
  return object;
}

int GVTextWidth(GVFont& font, const char* text, int length, int tabCount, const INT* tabStops,
                int tabOrigin, bool expandTabs) {
  int x = 0;
  int defaultStop = 8 * (font.metrics.tmAveCharWidth > 0 ? font.metrics.tmAveCharWidth : 1);
  for (int i = 0; i < length; i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\t' && expandTabs) {
      int pos = x - tabOrigin;
      int next;
      if (tabCount <= 0 || !tabStops) {
        next = (pos / defaultStop + 1) * defaultStop;
      } else if (tabCount == 1) {
        int step = tabStops[0] > 0 ? tabStops[0] : defaultStop;
        next = (pos / step + 1) * step;
      } else {
        next = -1;
        for (int t = 0; t < tabCount; t++)
          if (tabStops[t] > pos) {
            next = tabStops[t];
            break;
          }
        // Past the last stop a tab is as wide as a space.
        if (next < 0) next = pos + font.glyph(' ').advance;
      }
      x = next + tabOrigin;
      continue;
    }
    x += font.glyph(c).advance;
  }
  return x;
}
