// The page the markup benchmarks parse: typical markup, canvases of outlined
// paths and glyph runs, grown to about the size asked for.
#pragma once

#include <cstdio>
#include <string>

inline std::string MakePage(std::size_t targetBytes) {
  std::string page =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<FixedPage Width=\"816\" Height=\"1056\" xmlns=\"http://schemas.microsoft.com/xps/2005/06\" "
      "xml:lang=\"en-US\">\n";
  char buffer[512];
  for (int n = 0; page.size() < targetBytes; ++n) {
    std::snprintf(buffer, sizeof buffer, "<Canvas RenderTransform=\"1,0,0,1,%d,%d\">\n", n % 50, n % 70);
    page += buffer;
    for (int p = 0; p < 8; ++p) {
      page += "<Path Fill=\"#FF1F2F3F\" Data=\"F1 M ";
      for (int k = 0; k < 12; ++k) {
        std::snprintf(buffer, sizeof buffer, "%d.%02d,%d.%02d %c ", 100 + k * 7, (n + k) % 100, 200 + p * 3,
                      (n * k) % 100, k % 3 ? 'L' : 'C');
        page += buffer;
      }
      page += "Z\" />\n";
    }
    std::snprintf(buffer, sizeof buffer,
                  "<Glyphs Fill=\"#FF000000\" FontUri=\"/Resources/f%d.odttf\" FontRenderingEmSize=\"12.5\" "
                  "OriginX=\"%d.5\" OriginY=\"%d.25\" Indices=\"43;72,52;79;79;82,55;3;58;82;85;79;71\" "
                  "UnicodeString=\"Hello w\xC3\xB6rld &amp; caf\xC3\xA9 %d\" />\n",
                  n % 4, 96 + n % 500, 120 + n % 800, n);
    page += buffer;
    page += "</Canvas>\n";
  }
  page += "</FixedPage>\n";
  return page;
}
