#pragma once
// Report templates made in memory with libzip, and the reading back of a report package: shared
// by the report tests and the dump tool of the peer check.
#include <zip.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "shell/PngEncoder.h"

namespace docxfix {

using Entries = std::vector<std::pair<std::string, std::string>>;

// A zip holding the entries in this order, deflated.
inline std::string Zip(const Entries& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &error);
  zip_error_fini(&error);
  if (!z) throw std::runtime_error("zip_open_from_source");
  zip_source_keep(out);
  for (const auto& [name, data] : entries) {
    zip_source_t* s = zip_source_buffer(z, data.data(), data.size(), 0);
    const zip_int64_t index = zip_file_add(z, name.c_str(), s, ZIP_FL_ENC_UTF_8);
    if (index < 0) throw std::runtime_error("zip_file_add " + name);
    // The fastest level: some fixtures are tens of megabytes.
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
  }
  if (zip_close(z) != 0) throw std::runtime_error("zip_close");
  zip_source_open(out);
  zip_source_seek(out, 0, SEEK_END);
  const zip_int64_t size = zip_source_tell(out);
  zip_source_seek(out, 0, SEEK_SET);
  std::string bytes(static_cast<size_t>(size), '\0');
  zip_source_read(out, bytes.data(), static_cast<zip_uint64_t>(size));
  zip_source_close(out);
  zip_source_free(out);
  return bytes;
}

// Every entry of a package, in the package's order; throws when it is no zip.
inline Entries Unzip(const std::string& bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* z = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  zip_error_fini(&error);
  if (!z) {
    zip_source_free(src);
    throw std::runtime_error("not a zip");
  }
  Entries out;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
    zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
    std::string data(static_cast<size_t>(st.size), '\0');
    const zip_int64_t n = f ? zip_fread(f, data.data(), st.size) : -1;
    if (f) zip_fclose(f);
    if (n != static_cast<zip_int64_t>(st.size)) {
      zip_discard(z);
      throw std::runtime_error(std::string("cannot read ") + st.name);
    }
    out.emplace_back(st.name, std::move(data));
  }
  zip_discard(z);
  return out;
}

inline std::map<std::string, std::string> Parts(const std::string& bytes) {
  std::map<std::string, std::string> parts;
  for (auto& [name, data] : Unzip(bytes)) parts[name] = std::move(data);
  return parts;
}

inline std::map<std::string, std::string> Parts(const std::vector<uint8_t>& bytes) {
  return Parts(std::string(bytes.begin(), bytes.end()));
}

constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A template document: the body's paragraphs and tables, then an A4 section with 1440-twip
// side margins (text width 9026 twips) and, when asked, a header.
inline std::string Document(const std::string& body, bool header = false) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document xmlns:w=\"") + kW +
         "\" xmlns:r=\"" + kR + "\"><w:body>" + body + "<w:sectPr>" +
         (header ? "<w:headerReference w:type=\"default\" r:id=\"rId2\"/>" : "") +
         "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" w:right=\"1440\" w:bottom=\"1440\" "
         "w:left=\"1440\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
}

constexpr int64_t kTemplateTextWidthEmu = 9026LL * 635;

inline std::string HeaderPart() {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:hdr xmlns:w=\"") + kW +
         "\"><w:p><w:r><w:t>&lt;Model&gt; &lt;SerialNum&gt; header</w:t></w:r></w:p></w:hdr>";
}

// A 1 x 1 picture that the template holds already, under the name our picture would take first.
inline std::string OldPicture() {
  const uint32_t pixel = 0xFF00FF00u;
  const std::vector<uint8_t> png = EncodePng(1, 1, &pixel, 4);
  return std::string(png.begin(), png.end());
}

// The package of a template (.dotx): its main part's content type is that of a template.
inline Entries TemplateEntries(const std::string& body, bool header = false, bool oldPicture = false) {
  Entries e;
  std::string types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/>"
      "<Override PartName=\"/word/styles.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>";
  if (header)
    types += "<Override PartName=\"/word/header1.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>";
  if (oldPicture) types += "<Default Extension=\"PNG\" ContentType=\"image/png\"/>";
  types += "</Types>";
  e.emplace_back("[Content_Types].xml", types);
  e.emplace_back("_rels/.rels",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                 "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                 "<Relationship Id=\"rId1\" "
                 "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                 "Target=\"word/document.xml\"/></Relationships>");
  e.emplace_back("word/document.xml", Document(body, header));
  e.emplace_back("word/styles.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                                "<w:styles xmlns:w=\"") + kW + "\"/>");
  std::string rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
      "Target=\"styles.xml\"/>";
  if (header)
    rels += "<Relationship Id=\"rId2\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" Target=\"header1.xml\"/>";
  if (oldPicture)
    rels += "<Relationship Id=\"rId3\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
            "Target=\"media/report_picture1.png\"/>";
  rels += "</Relationships>";
  e.emplace_back("word/_rels/document.xml.rels", rels);
  if (header) e.emplace_back("word/header1.xml", HeaderPart());
  if (oldPicture) e.emplace_back("word/media/report_picture1.png", OldPicture());
  return e;
}

struct Fixture {
  std::string Name;
  bool HasTemplate = true;
  std::string Template;  // the .dotx bytes
  bool PlaceholderInBody = true;  // "<Model>" and "<SerialNum>" stand in the body
  bool ImageInTable = false;
  bool ImageAtEnd = false;  // no "<Image>": the picture ends the last paragraph
  bool Header = false;      // holds a header with placeholders, which stays as it is
};

// The templates every report check runs on.
inline std::vector<Fixture> Fixtures() {
  std::vector<Fixture> f;
  f.push_back({"split_runs", true,
               Zip(TemplateEntries(
                   "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Model: &lt;Mo</w:t></w:r>"
                   "<w:r><w:rPr><w:i/></w:rPr><w:t>del&gt;</w:t></w:r><w:r><w:t xml:space=\"preserve\"> S/N &lt;Ser</w:t></w:r>"
                   "<w:r><w:t>ial</w:t></w:r><w:r><w:t>Num&gt;</w:t></w:r></w:p>"
                   "<w:p><w:r><w:t>&lt;Im</w:t></w:r><w:r><w:rPr><w:u w:val=\"single\"/></w:rPr><w:t xml:space=\"preserve\">age&gt; tail</w:t></w:r></w:p>",
                   false, true)),
               true, false, false, false});
  f.push_back({"two_serials", true,
               Zip(TemplateEntries("<w:p><w:r><w:t xml:space=\"preserve\">&lt;Model&gt; &lt;SerialNum&gt; / "
                                   "&lt;SerialNum&gt;</w:t></w:r></w:p><w:p><w:r><w:t>&lt;Image&gt;</w:t></w:r></w:p>")),
               true, false, false, false});
  f.push_back({"image_in_table", true,
               Zip(TemplateEntries("<w:p><w:r><w:t xml:space=\"preserve\">&lt;Model&gt; &lt;SerialNum&gt;</w:t></w:r></w:p>"
                                   "<w:tbl><w:tr><w:tc><w:p><w:r><w:t xml:space=\"preserve\">left &lt;Image&gt; right</w:t>"
                                   "</w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>&lt;SerialNum&gt;</w:t></w:r></w:p></w:tc>"
                                   "</w:tr></w:tbl><w:p/>")),
               true, true, false, false});
  f.push_back({"no_image", true,
               Zip(TemplateEntries("<w:p><w:r><w:t>&lt;Model&gt;</w:t></w:r></w:p>"
                                   "<w:p><w:r><w:t>&lt;SerialNum&gt;</w:t></w:r></w:p>")),
               true, false, true, false});
  f.push_back({"header_placeholder", true,
               Zip(TemplateEntries("<w:p><w:r><w:t xml:space=\"preserve\">&lt;Model&gt; &lt;SerialNum&gt; &lt;Image&gt;</w:t>"
                                   "</w:r></w:p>",
                                   true)),
               true, false, false, true});
  f.push_back({"no_template", false, "", false, false, true, false});
  return f;
}

// A picture with a pattern, as the encoder takes it.
inline std::vector<uint32_t> Pixels(int w, int h) {
  std::vector<uint32_t> p(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p[static_cast<size_t>(y) * w + x] = 0xFF000000u | (static_cast<uint32_t>(x * 7) & 0xFF) << 16 |
                                          (static_cast<uint32_t>(y * 5) & 0xFF) << 8 | ((x ^ y) & 0xFF);
  return p;
}

inline std::vector<uint8_t> PicturePng(int w, int h) {
  const std::vector<uint32_t> p = Pixels(w, h);
  return EncodePng(w, h, p.data(), static_cast<size_t>(w) * 4);
}

}  // namespace docxfix
