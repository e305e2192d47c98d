#include "shell/DocxReport.h"

#include <zip.h>

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

namespace {

constexpr const char* kWordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kContentTypesNs = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr const char* kImageRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
constexpr const char* kDocumentType = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr const char* kMainPart = "word/document.xml";
constexpr const char* kMainRels = "word/_rels/document.xml.rels";
constexpr const char* kContentTypes = "[Content_Types].xml";
// The parts we parse; a main document this large is no report template.
constexpr size_t kMaxXmlPart = 16u << 20;

struct TEntry {
  std::string Name;
  std::string Data;
  bool Store = false;  // already compressed (the picture)
};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// ---- The zip package ----------------------------------------------------------------------------

struct TZipCloser {
  void operator()(zip_t* z) const { zip_discard(z); }
};

std::vector<TEntry> ReadPackage(const std::string& bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (!source) {
    zip_error_fini(&error);
    throw EDocxTemplate("cannot read the template");
  }
  std::unique_ptr<zip_t, TZipCloser> zip(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!zip) {
    zip_source_free(source);
    const std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw EDocxTemplate("not a package: " + why);
  }
  zip_error_fini(&error);

  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  std::vector<TEntry> entries;
  uint64_t total = 0;
  std::vector<char> buffer(64 * 1024);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
      throw EDocxTemplate("an unreadable entry");
    const std::string name = st.name;
    if (!name.empty() && name.back() == '/') continue;  // folders are implied by the part names
    if (entries.size() >= TDocxReport::kMaxEntries) throw EDocxTemplate("too many entries");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
      throw EDocxTemplate("an encrypted entry: " + name);
    zip_file_t* file = zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(i), 0);
    if (!file) throw EDocxTemplate("cannot open the entry " + name + ": " + zip_strerror(zip.get()));
    TEntry entry{name, {}, false};
    for (;;) {
      const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
      if (n < 0) {
        const std::string why = zip_file_strerror(file);
        zip_fclose(file);
        throw EDocxTemplate("cannot read the entry " + name + ": " + why);
      }
      if (n == 0) break;
      total += static_cast<uint64_t>(n);
      if (total > TDocxReport::kMaxUncompressed) {
        zip_fclose(file);
        throw EDocxTemplate("the template unpacks to more than 64 MB");
      }
      entry.Data.append(buffer.data(), static_cast<size_t>(n));
    }
    zip_fclose(file);
    // What the headers claim is only compared, never trusted: a mismatch is a damaged package.
    if ((st.valid & ZIP_STAT_SIZE) && st.size != entry.Data.size())
      throw EDocxTemplate("the entry " + name + " is not the size its header says");
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<uint8_t> WritePackage(const std::vector<TEntry>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!out) {
    zip_error_fini(&error);
    throw std::runtime_error("cannot make the report package");
  }
  zip_t* zip = zip_open_from_source(out, ZIP_TRUNCATE, &error);
  zip_error_fini(&error);
  if (!zip) {
    zip_source_free(out);
    throw std::runtime_error("cannot make the report package");
  }
  zip_source_keep(out);
  auto fail = [&](const std::string& what) {
    const std::string why = zip_strerror(zip);
    zip_discard(zip);
    zip_source_free(out);
    throw std::runtime_error(what + ": " + why);
  };
  for (const TEntry& e : entries) {
    zip_source_t* part = zip_source_buffer(zip, e.Data.data(), e.Data.size(), 0);
    if (!part) fail("cannot add " + e.Name);
    const zip_int64_t index = zip_file_add(zip, e.Name.c_str(), part, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(part);
      fail("cannot add " + e.Name);
    }
    if (zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), e.Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) != 0)
      fail("cannot compress " + e.Name);
  }
  if (zip_close(zip) != 0) fail("cannot finish the report package");

  std::vector<uint8_t> bytes;
  if (zip_source_open(out) == 0) {
    zip_source_seek(out, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(out);
    zip_source_seek(out, 0, SEEK_SET);
    if (size > 0) {
      bytes.resize(static_cast<size_t>(size));
      const zip_int64_t n = zip_source_read(out, bytes.data(), static_cast<zip_uint64_t>(size));
      if (n != size) bytes.clear();
    }
    zip_source_close(out);
  }
  zip_source_free(out);
  if (bytes.empty()) throw std::runtime_error("cannot read back the report package");
  return bytes;
}

TEntry* Find(std::vector<TEntry>& entries, const std::string& name) {
  const std::string key = Lower(name);
  for (TEntry& e : entries)
    if (Lower(e.Name) == key) return &e;
  return nullptr;
}

// ---- XML parts ----------------------------------------------------------------------------------

void ParseXml(pugi::xml_document& doc, const TEntry& entry) {
  if (entry.Data.size() > kMaxXmlPart) throw EDocxTemplate(entry.Name + " is too large");
  const unsigned flags = pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype | pugi::parse_ws_pcdata;
  const pugi::xml_parse_result result = doc.load_buffer(entry.Data.data(), entry.Data.size(), flags);
  if (!result) throw EDocxTemplate(entry.Name + ": " + result.description());
  // Entity declarations could expand beyond every limit; a package part never needs them.
  for (pugi::xml_node n : doc.children())
    if (n.type() == pugi::node_doctype) throw EDocxTemplate(entry.Name + " has a document type declaration");
  if (!doc.document_element()) throw EDocxTemplate(entry.Name + " is empty");
}

std::string SaveXml(pugi::xml_document& doc) {
  for (pugi::xml_node n : doc.children())
    if (n.type() == pugi::node_declaration && n.attribute("encoding")) n.attribute("encoding").set_value("UTF-8");
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

std::string LocalName(const char* name) {
  const char* colon = std::strchr(name, ':');
  return colon ? colon + 1 : name;
}

std::string PrefixPart(const char* name) {
  const char* colon = std::strchr(name, ':');
  return colon ? std::string(name, colon) : std::string();
}

// The prefix the root binds to a namespace ("" for the default namespace), if any.
std::optional<std::string> PrefixOf(const pugi::xml_node& root, const char* ns) {
  for (pugi::xml_attribute a : root.attributes()) {
    const std::string name = a.name();
    if (std::string(a.value()) != ns) continue;
    if (name == "xmlns") return std::string();
    if (name.rfind("xmlns:", 0) == 0) return name.substr(6);
  }
  return std::nullopt;
}

struct TQualify {
  std::string Prefix;
  std::string operator()(const char* local) const { return Prefix.empty() ? local : Prefix + ":" + local; }
};

std::optional<int64_t> ParseInt(const char* text) {
  int64_t v = 0;
  const char* end = text + std::strlen(text);
  const auto [ptr, ec] = std::from_chars(text, end, v);
  if (ec != std::errc() || ptr != end || ptr == text) return std::nullopt;
  return v;
}

// ---- The main document --------------------------------------------------------------------------

class TDocument {
 public:
  TDocument(pugi::xml_document& doc) : doc_(doc) {
    pugi::xml_node root = doc.document_element();
    const std::optional<std::string> prefix = PrefixOf(root, kWordNs);
    if (!prefix || PrefixPart(root.name()) != *prefix || LocalName(root.name()) != "document")
      throw EDocxTemplate("the main part is not a word-processing document");
    w_.Prefix = *prefix;
    if (w_.Prefix == "wp" || w_.Prefix == "a" || w_.Prefix == "pic" || w_.Prefix == "r")
      throw EDocxTemplate("the main part uses an unusual namespace prefix");
    body_ = root.child(w_("body").c_str());
    if (!body_) throw EDocxTemplate("the main document has no body");
  }

  // Replaces every occurrence of a placeholder by a text.
  void ReplaceAll(const std::string& placeholder, const std::string& text) {
    for (pugi::xml_node p : Paragraphs()) {
      std::vector<pugi::xml_node> runs = TextsOf(p);
      size_t from = 0;
      for (;;) {
        const std::string joined = Joined(runs);
        const size_t at = joined.find(placeholder, from);
        if (at == std::string::npos) break;
        Replace(runs, at, placeholder.size(), text);
        from = at + text.size();
      }
    }
  }

  // Puts the picture run at the first "<Image>" (its text removed), else at the end of the
  // body's last paragraph.
  void PlacePicture(const std::string& placeholder, const pugi::xml_node& pictureRun) {
    for (pugi::xml_node p : Paragraphs()) {
      std::vector<pugi::xml_node> texts = TextsOf(p);
      const size_t at = Joined(texts).find(placeholder);
      if (at == std::string::npos) continue;
      const auto [index, offset] = Replace(texts, at, placeholder.size(), "");
      pugi::xml_node t = texts[index];
      pugi::xml_node run = t.parent();
      if (std::string(run.name()) != w_("r")) break;
      // Split the run after the text before the placeholder: the picture in a run of its own,
      // the rest of the run after it with the run's formatting.
      const std::string own = t.text().get();
      const std::string rest = own.substr(offset);
      SetText(t, own.substr(0, offset));
      pugi::xml_node picture = run.parent().insert_copy_after(pictureRun, run);
      if (!rest.empty() || t.next_sibling()) {
        pugi::xml_node after = run.parent().insert_child_after(w_("r").c_str(), picture);
        if (pugi::xml_node props = run.child(w_("rPr").c_str())) after.append_copy(props);
        if (!rest.empty()) SetText(after.append_child(w_("t").c_str()), rest);
        while (pugi::xml_node next = t.next_sibling()) after.append_move(next);
      }
      return;
    }
    pugi::xml_node last;
    const std::string p = w_("p");
    for (pugi::xml_node child : body_.children(p.c_str())) last = child;
    if (!last) {
      pugi::xml_node sect = body_.child(w_("sectPr").c_str());
      last = sect ? body_.insert_child_before(w_("p").c_str(), sect) : body_.append_child(w_("p").c_str());
    }
    last.append_copy(pictureRun);
  }

  // The text width of the last section in EMU, when the page says it.
  std::optional<int64_t> TextWidthEmu() const {
    pugi::xml_node sect = body_.child(w_("sectPr").c_str());
    const std::optional<int64_t> page = ParseInt(sect.child(w_("pgSz").c_str()).attribute(w_("w").c_str()).value());
    if (!page) return std::nullopt;
    pugi::xml_node margins = sect.child(w_("pgMar").c_str());
    int64_t width = *page;
    for (const char* side : {"left", "right", "gutter"})
      if (const std::optional<int64_t> m = ParseInt(margins.attribute(w_(side).c_str()).value())) width -= *m;
    if (width <= 0) return std::nullopt;
    return width * TDocxReport::kEmuPerTwip;
  }

  // An id for a new drawing: above every one in use.
  int64_t NextDrawingId() const {
    int64_t top = 0;
    std::function<void(pugi::xml_node)> walk = [&](pugi::xml_node n) {
      for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        if (LocalName(c.name()) == "docPr")
          if (const std::optional<int64_t> id = ParseInt(c.attribute("id").value())) top = std::max(top, *id);
        walk(c);
      }
    };
    walk(doc_.document_element());
    return top + 1;
  }

  const TQualify& W() const { return w_; }

 private:
  // Every paragraph of the body in document order, tables and text boxes included.
  std::vector<pugi::xml_node> Paragraphs() const {
    std::vector<pugi::xml_node> out;
    const std::string p = w_("p");
    std::function<void(pugi::xml_node)> walk = [&](pugi::xml_node n) {
      for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        if (p == c.name()) out.push_back(c);
        walk(c);
      }
    };
    walk(body_);
    return out;
  }

  // The text elements of a paragraph, not those of paragraphs nested in it.
  std::vector<pugi::xml_node> TextsOf(pugi::xml_node paragraph) const {
    std::vector<pugi::xml_node> out;
    const std::string p = w_("p"), t = w_("t");
    std::function<void(pugi::xml_node)> walk = [&](pugi::xml_node n) {
      for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element || p == c.name()) continue;
        if (t == c.name())
          out.push_back(c);
        else
          walk(c);
      }
    };
    walk(paragraph);
    return out;
  }

  static std::string Joined(const std::vector<pugi::xml_node>& texts) {
    std::string joined;
    for (const pugi::xml_node& t : texts) joined += t.text().get();
    return joined;
  }

  static void SetText(pugi::xml_node t, const std::string& text) {
    // Blanks at either end survive only with space preserved.
    while (pugi::xml_node child = t.first_child()) t.remove_child(child);
    t.append_child(pugi::node_pcdata).set_value(text.c_str());
    if (!t.attribute("xml:space")) t.append_attribute("xml:space");
    t.attribute("xml:space").set_value("preserve");
  }

  // Replaces [at, at + length) of the joined text; the new text goes into the first text
  // element the match touches. Returns that element's index and the offset just after the
  // new text in it.
  static std::pair<size_t, size_t> Replace(std::vector<pugi::xml_node>& texts, size_t at, size_t length,
                                           const std::string& with) {
    const size_t end = at + length;
    size_t start = 0;
    std::optional<std::pair<size_t, size_t>> first;
    for (size_t k = 0; k < texts.size() && start < end; ++k) {
      const std::string own = texts[k].text().get();
      const size_t stop = start + own.size();
      if (stop > at) {
        const size_t from = std::max(at, start) - start;
        const size_t to = std::min(end, stop) - start;
        if (!first) {
          SetText(texts[k], own.substr(0, from) + with + own.substr(to));
          first = {k, from + with.size()};
        } else {
          SetText(texts[k], own.substr(0, from) + own.substr(to));
        }
      }
      start = stop;
    }
    return first.value_or(std::pair<size_t, size_t>{0, 0});
  }

  pugi::xml_document& doc_;
  TQualify w_;
  pugi::xml_node body_;
};

std::string PictureRunXml(const TQualify& w, const std::string& relId, int64_t drawingId, int64_t cx, int64_t cy) {
  const std::string id = std::to_string(drawingId), x = std::to_string(cx), y = std::to_string(cy);
  return "<" + w("r") + "><" + w("drawing") +
         " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
         " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
         " xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\""
         " xmlns:r=\"" + kRelNs + "\">"
         "<wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
         "<wp:extent cx=\"" + x + "\" cy=\"" + y + "\"/>"
         "<wp:docPr id=\"" + id + "\" name=\"Picture " + id + "\"/>"
         "<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>"
         "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
         "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"0\" name=\"Picture " + id + "\"/><pic:cNvPicPr/></pic:nvPicPr>"
         "<pic:blipFill><a:blip r:embed=\"" + relId + "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
         "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + x + "\" cy=\"" + y + "\"/></a:xfrm>"
         "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
         "</a:graphicData></a:graphic></wp:inline></" + w("drawing") + "></" + w("r") + ">";
}

// The package of an empty document on an A4 page with 2 cm margins.
std::vector<TEntry> MinimalPackage() {
  std::vector<TEntry> entries;
  entries.push_back({kContentTypes,
                     std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types xmlns=\"") +
                         kContentTypesNs +
                         "\"><Default Extension=\"rels\" "
                         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                         "<Override PartName=\"/word/document.xml\" ContentType=\"" +
                         kDocumentType + "\"/></Types>",
                     false});
  entries.push_back({"_rels/.rels",
                     std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"") +
                         kPackageRelNs +
                         "\"><Relationship Id=\"rId1\" "
                         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                         "Target=\"word/document.xml\"/></Relationships>",
                     false});
  entries.push_back({kMainPart,
                     std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document xmlns:w=\"") +
                         kWordNs + "\" xmlns:r=\"" + kRelNs +
                         "\"><w:body><w:p/><w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
                         "<w:pgMar w:top=\"1134\" w:right=\"1134\" w:bottom=\"1134\" w:left=\"1134\" w:header=\"709\" "
                         "w:footer=\"709\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>",
                     false});
  return entries;
}

void FixContentTypes(pugi::xml_document& types) {
  pugi::xml_node root = types.document_element();
  if (LocalName(root.name()) != "Types") throw EDocxTemplate("the content types are not readable");
  const std::string prefix = PrefixPart(root.name());
  const TQualify q{prefix};
  bool png = false, main = false;
  for (pugi::xml_node c : root.children()) {
    if (c.type() != pugi::node_element) continue;
    const std::string local = LocalName(c.name());
    if (local == "Default" && Lower(c.attribute("Extension").value()) == "png") {
      png = true;
      c.attribute("ContentType") ? c.attribute("ContentType").set_value("image/png")
                                 : c.append_attribute("ContentType").set_value("image/png");
    }
    if (local == "Override" && Lower(c.attribute("PartName").value()) == "/word/document.xml") {
      main = true;
      c.attribute("ContentType") ? c.attribute("ContentType").set_value(kDocumentType)
                                 : c.append_attribute("ContentType").set_value(kDocumentType);
    }
  }
  if (!png) {
    pugi::xml_node d = root.prepend_child(q("Default").c_str());
    d.append_attribute("Extension").set_value("png");
    d.append_attribute("ContentType").set_value("image/png");
  }
  if (!main) {
    pugi::xml_node o = root.append_child(q("Override").c_str());
    o.append_attribute("PartName").set_value("/word/document.xml");
    o.append_attribute("ContentType").set_value(kDocumentType);
  }
}

// Adds the picture's relationship; returns its id, one not used yet.
std::string AddImageRelationship(pugi::xml_document& rels, const std::string& target) {
  pugi::xml_node root = rels.document_element();
  if (LocalName(root.name()) != "Relationships") throw EDocxTemplate("the relationships are not readable");
  const TQualify q{PrefixPart(root.name())};
  std::set<std::string> used;
  size_t count = 0;
  for (pugi::xml_node c : root.children()) {
    if (c.type() != pugi::node_element) continue;
    used.insert(c.attribute("Id").value());
    ++count;
  }
  std::string id;
  for (size_t k = count + 1;; ++k) {
    id = "rId" + std::to_string(k);
    if (!used.count(id)) break;
  }
  pugi::xml_node r = root.append_child(q("Relationship").c_str());
  r.append_attribute("Id").set_value(id.c_str());
  r.append_attribute("Type").set_value(kImageRelType);
  r.append_attribute("Target").set_value(target.c_str());
  return id;
}

}  // namespace

std::vector<uint8_t> TDocxReport::Build(const std::string* templateBytes) const {
  if (Png.empty() || ImageWidth <= 0 || ImageHeight <= 0) throw std::invalid_argument("the report has no picture");
  std::vector<TEntry> entries = templateBytes ? ReadPackage(*templateBytes) : MinimalPackage();

  TEntry* main = Find(entries, kMainPart);
  if (!main) throw EDocxTemplate("the template has no main document");
  TEntry* typesEntry = Find(entries, kContentTypes);
  if (!typesEntry) throw EDocxTemplate("the template has no content types");

  pugi::xml_document document, types, rels;
  ParseXml(document, *main);
  ParseXml(types, *typesEntry);
  if (TEntry* relsEntry = Find(entries, kMainRels))
    ParseXml(rels, *relsEntry);
  else
    rels.append_child("Relationships").append_attribute("xmlns").set_value(kPackageRelNs);

  TDocument doc(document);
  doc.ReplaceAll("<Model>", Model);
  doc.ReplaceAll("<SerialNum>", SerialNumber);

  std::string media;
  for (int k = 1;; ++k) {
    media = "media/report_picture" + std::to_string(k) + ".png";
    if (!Find(entries, "word/" + media)) break;
  }
  const std::string relId = AddImageRelationship(rels, media);
  int64_t cx = ImageWidth * kEmuPerPixel, cy = ImageHeight * kEmuPerPixel;
  if (const std::optional<int64_t> width = doc.TextWidthEmu(); width && cx > *width) {
    cy = std::max<int64_t>(1, (cy * *width + cx / 2) / cx);
    cx = *width;
  }
  pugi::xml_document run;
  if (!run.load_string(PictureRunXml(doc.W(), relId, doc.NextDrawingId(), cx, cy).c_str()))
    throw std::logic_error("the picture run is not well formed");
  doc.PlacePicture("<Image>", run.document_element());
  FixContentTypes(types);

  main->Data = SaveXml(document);
  typesEntry->Data = SaveXml(types);
  if (TEntry* relsEntry = Find(entries, kMainRels))
    relsEntry->Data = SaveXml(rels);
  else
    entries.push_back({kMainRels, SaveXml(rels), false});
  entries.push_back({"word/" + media, std::string(Png.begin(), Png.end()), true});
  // The content types come first, as readers that stream the package expect.
  std::stable_partition(entries.begin(), entries.end(), [](const TEntry& e) { return e.Name == kContentTypes; });
  return WritePackage(entries);
}
