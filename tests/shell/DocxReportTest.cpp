// The report package: placeholders of the body replaced (split runs, tables), the picture in
// place as a PNG part with its relationship and content type, every other part of the template
// kept; templates that cannot be used are refused, whatever their bytes.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <cmath>
#include <random>
#include <set>

#include "shell/DocxFixtures.h"
#include "shell/DocxReport.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

TDocxReport MakeReport(int w = kWidth, int h = kHeight) {
  TDocxReport r;
  r.Model = " TERVAN K30";
  r.SerialNumber = "1234";
  r.Png = docxfix::PicturePng(w, h);
  r.ImageWidth = w;
  r.ImageHeight = h;
  return r;
}

std::vector<uint8_t> Build(const TDocxReport& report, const docxfix::Fixture& f) {
  return report.Build(f.HasTemplate ? &f.Template : nullptr);
}

bool Is(const pugi::xml_node& n, const char* name) { return std::string(n.name()) == name; }

// The text of a paragraph's own runs, split at its drawing (before, after).
std::pair<std::string, std::string> TextAround(const pugi::xml_node& paragraph) {
  std::pair<std::string, std::string> out;
  bool after = false;
  std::function<void(pugi::xml_node)> walk = [&](pugi::xml_node n) {
    for (pugi::xml_node c : n.children()) {
      if (Is(c, "w:drawing")) {
        after = true;
        continue;
      }
      if (Is(c, "w:t")) (after ? out.second : out.first) += c.text().get();
      walk(c);
    }
  };
  walk(paragraph);
  return out;
}

std::string BodyText(const pugi::xml_document& doc) {
  std::string text;
  for (const pugi::xpath_node& t : doc.select_nodes("/w:document/w:body//w:t")) text += t.node().text().get();
  return text;
}

pugi::xml_node Ancestor(pugi::xml_node n, const char* name) {
  for (n = n.parent(); n; n = n.parent())
    if (Is(n, name)) return n;
  return {};
}

uint32_t BigEndian(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at])) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[at + 2])) << 8 | static_cast<uint8_t>(s[at + 3]);
}

// What every report must be, whatever its template.
void CheckPackage(const std::vector<uint8_t>& bytes, const TDocxReport& report, const docxfix::Fixture& f,
                  int64_t textWidthEmu) {
  SCOPED_TRACE(f.Name);
  const docxfix::Entries entries = docxfix::Unzip(std::string(bytes.begin(), bytes.end()));
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.front().first, "[Content_Types].xml");
  std::map<std::string, std::string> parts(entries.begin(), entries.end());
  ASSERT_EQ(parts.size(), entries.size()) << "a part twice";

  // Content types: the main part is a document now, PNG is known once.
  pugi::xml_document types;
  ASSERT_TRUE(types.load_string(parts["[Content_Types].xml"].c_str()));
  int png = 0, main = 0;
  for (pugi::xml_node c : types.document_element().children()) {
    std::string ext = c.attribute("Extension").value();
    for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (Is(c, "Default") && ext == "png") {
      ++png;
      EXPECT_STREQ(c.attribute("ContentType").value(), "image/png");
    }
    if (Is(c, "Override") && std::string(c.attribute("PartName").value()) == "/word/document.xml") {
      ++main;
      EXPECT_STREQ(c.attribute("ContentType").value(),
                   "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
    }
  }
  EXPECT_EQ(png, 1);
  EXPECT_EQ(main, 1);

  // The body: no placeholder left, the texts in.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(parts["word/document.xml"].c_str(), pugi::parse_default | pugi::parse_ws_pcdata));
  const std::string text = BodyText(doc);
  for (const char* placeholder : {"<Model>", "<SerialNum>", "<Image>"})
    EXPECT_EQ(text.find(placeholder), std::string::npos) << placeholder << " in " << text;
  if (f.PlaceholderInBody) {
    EXPECT_NE(text.find("TERVAN K30"), std::string::npos) << text;
    EXPECT_NE(text.find("1234"), std::string::npos) << text;
  }

  // One drawing; its relationship names a PNG part of the picture's size: ours.
  const pugi::xpath_node_set drawings = doc.select_nodes("//w:drawing");
  ASSERT_EQ(drawings.size(), 1u);
  const pugi::xml_node drawing = drawings.first().node();
  const std::string embed = drawing.select_node(".//a:blip").node().attribute("r:embed").value();
  pugi::xml_document rels;
  ASSERT_TRUE(rels.load_string(parts["word/_rels/document.xml.rels"].c_str()));
  std::set<std::string> ids;
  std::string target;
  for (pugi::xml_node r : rels.document_element().children("Relationship")) {
    EXPECT_TRUE(ids.insert(r.attribute("Id").value()).second) << "id twice: " << r.attribute("Id").value();
    if (embed == r.attribute("Id").value()) {
      EXPECT_STREQ(r.attribute("Type").value(), "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image");
      target = r.attribute("Target").value();
    }
  }
  ASSERT_FALSE(target.empty()) << "no relationship " << embed;
  const std::string& picture = parts["word/" + target];
  ASSERT_GE(picture.size(), 24u) << target;
  EXPECT_EQ(picture.compare(1, 3, "PNG"), 0);
  EXPECT_EQ(BigEndian(picture, 16), static_cast<uint32_t>(report.ImageWidth));
  EXPECT_EQ(BigEndian(picture, 20), static_cast<uint32_t>(report.ImageHeight));
  EXPECT_EQ(picture, std::string(report.Png.begin(), report.Png.end()));

  // Its size on the page: 9525 EMU per pixel, shrunk to the text width, never enlarged.
  const pugi::xml_node extent = drawing.select_node(".//wp:extent").node();
  int64_t cx = int64_t{report.ImageWidth} * 9525, cy = int64_t{report.ImageHeight} * 9525;
  if (cx > textWidthEmu) {
    cy = std::llround(static_cast<double>(report.ImageHeight) * textWidthEmu / report.ImageWidth);
    cx = textWidthEmu;
  }
  EXPECT_EQ(extent.attribute("cx").as_llong(), cx);
  EXPECT_EQ(extent.attribute("cy").as_llong(), cy);

  // Where it went.
  const pugi::xml_node paragraph = Ancestor(drawing, "w:p");
  if (f.ImageInTable) {
    EXPECT_TRUE(Ancestor(drawing, "w:tc"));
  }
  if (f.ImageAtEnd) {
    pugi::xml_node last;
    for (pugi::xml_node p : doc.document_element().child("w:body").children("w:p")) last = p;
    EXPECT_EQ(paragraph, last);
    EXPECT_EQ(TextAround(paragraph).second, "");
  }

  // Every other part of the template as it was.
  if (f.HasTemplate) {
    for (const auto& [name, data] : docxfix::Unzip(f.Template)) {
      if (name == "word/document.xml" || name == "[Content_Types].xml" || name == "word/_rels/document.xml.rels")
        continue;
      EXPECT_EQ(parts[name], data) << name;
    }
  }
}

TEST(DocxReport, EveryFixtureGivesAWholeReport) {
  const TDocxReport report = MakeReport();
  for (const docxfix::Fixture& f : docxfix::Fixtures()) {
    std::vector<uint8_t> bytes;
    ASSERT_NO_THROW(bytes = Build(report, f)) << f.Name;
    CheckPackage(bytes, report, f, f.HasTemplate ? docxfix::kTemplateTextWidthEmu : 9638LL * 635);
  }
}

pugi::xml_document Body(const std::vector<uint8_t>& bytes) {
  pugi::xml_document doc;
  doc.load_string(docxfix::Parts(bytes)["word/document.xml"].c_str(), pugi::parse_default | pugi::parse_ws_pcdata);
  return doc;
}

docxfix::Fixture Named(const std::string& name) {
  for (const docxfix::Fixture& f : docxfix::Fixtures())
    if (f.Name == name) return f;
  throw std::logic_error(name);
}

TEST(DocxReport, SplitRunsKeepTheFirstRunsFormatting) {
  const pugi::xml_document doc = Body(Build(MakeReport(), Named("split_runs")));
  const pugi::xpath_node_set paragraphs = doc.select_nodes("/w:document/w:body/w:p");
  ASSERT_EQ(paragraphs.size(), 2u);
  const pugi::xml_node first = paragraphs[0].node();
  EXPECT_EQ(TextAround(first).first, "Model:  TERVAN K30 S/N 1234");
  // The model went into the bold run, where "<Mo" began; the italic run lost its part.
  const pugi::xml_node bold = first.select_node("w:r[w:rPr/w:b]").node();
  EXPECT_STREQ(bold.child("w:t").text().get(), "Model:  TERVAN K30");
  EXPECT_STREQ(bold.child("w:t").attribute("xml:space").value(), "preserve");
  EXPECT_STREQ(first.select_node("w:r[w:rPr/w:i]/w:t").node().text().get(), "");
  // The picture stands where "<Image>" began; the underlined rest follows it.
  const pugi::xml_node second = paragraphs[1].node();
  EXPECT_EQ(TextAround(second), std::make_pair(std::string(), std::string(" tail")));
  EXPECT_STREQ(second.select_node("w:r[w:rPr/w:u]/w:t").node().text().get(), " tail");
  // The template's own picture and relationship are kept; ours takes new names.
  const auto parts = docxfix::Parts(Build(MakeReport(), Named("split_runs")));
  EXPECT_TRUE(parts.count("word/media/report_picture1.png"));
  EXPECT_TRUE(parts.count("word/media/report_picture2.png"));
  EXPECT_NE(parts.at("word/_rels/document.xml.rels").find("Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/"
                                                            "officeDocument/2006/relationships/image\" Target=\"media/"
                                                            "report_picture1.png\""),
            std::string::npos);
}

TEST(DocxReport, TwoSerialNumbersAndTheTableCell) {
  {
    const pugi::xml_document doc = Body(Build(MakeReport(), Named("two_serials")));
    EXPECT_EQ(BodyText(doc), " TERVAN K30 1234 / 1234");
  }
  const pugi::xml_document doc = Body(Build(MakeReport(), Named("image_in_table")));
  const pugi::xml_node cell = doc.select_node("//w:tc[.//w:drawing]").node();
  ASSERT_TRUE(cell);
  EXPECT_EQ(TextAround(cell.child("w:p")), std::make_pair(std::string("left "), std::string(" right")));
  EXPECT_STREQ(doc.select_node("//w:tc[2]//w:t").node().text().get(), "1234");
}

TEST(DocxReport, HeadersStayAsTheyAre) {
  const docxfix::Fixture f = Named("header_placeholder");
  const auto parts = docxfix::Parts(Build(MakeReport(), f));
  EXPECT_EQ(parts.at("word/header1.xml"), docxfix::HeaderPart());
  const pugi::xml_document doc = Body(Build(MakeReport(), f));
  EXPECT_EQ(TextAround(doc.select_node("//w:p[.//w:drawing]").node()).first, " TERVAN K30 1234 ");
}

TEST(DocxReport, OnlyTheFirstImagePlaceholderTakesThePicture) {
  const std::string t = docxfix::Zip(docxfix::TemplateEntries(
      "<w:p><w:r><w:t>&lt;Image&gt;</w:t></w:r></w:p><w:p><w:r><w:t>&lt;Image&gt; again</w:t></w:r></w:p>"));
  const pugi::xml_document doc = Body(MakeReport().Build(&t));
  EXPECT_EQ(doc.select_nodes("//w:drawing").size(), 1u);
  EXPECT_EQ(BodyText(doc), "<Image> again");
  // A placeholder broken by a paragraph counts as absent: the picture ends the body.
  const std::string broken = docxfix::Zip(docxfix::TemplateEntries(
      "<w:p><w:r><w:t>&lt;Ima</w:t></w:r></w:p><w:p><w:r><w:t>ge&gt;</w:t></w:r></w:p>"));
  const pugi::xml_document end = Body(MakeReport().Build(&broken));
  EXPECT_TRUE(end.select_node("/w:document/w:body/w:p[2]//w:drawing"));
  EXPECT_EQ(BodyText(end), "<Image>");
}

TEST(DocxReport, PictureShrinksToTheTextWidthButNeverGrows) {
  const std::string t = docxfix::Zip(docxfix::TemplateEntries("<w:p><w:r><w:t>&lt;Image&gt;</w:t></w:r></w:p>"));
  struct Case {
    int w, h;
    int64_t cx, cy;
  };
  const Case cases[] = {
      {40, 30, 381000, 285750},
      {601, 10, 601 * 9525, 95250},
      {2000, 100, docxfix::kTemplateTextWidthEmu, 286576},
  };
  for (const Case& c : cases) {
    const pugi::xml_document doc = Body(MakeReport(c.w, c.h).Build(&t));
    const pugi::xml_node extent = doc.select_node("//wp:extent").node();
    EXPECT_EQ(extent.attribute("cx").as_llong(), c.cx) << c.w << "x" << c.h;
    EXPECT_EQ(extent.attribute("cy").as_llong(), c.cy) << c.w << "x" << c.h;
    EXPECT_EQ(doc.select_node("//a:ext").node().attribute("cx").as_llong(), c.cx);
  }
}

// ---- Templates that cannot be used ---------------------------------------------------------------

// Sets bits in the general-purpose flags of every header of an entry.
std::string WithFlags(std::string zip, const std::string& name, uint16_t bits) {
  for (const auto& [signature, flagsAt] : {std::pair<std::string, size_t>{std::string("PK\x03\x04", 4), 6},
                                           std::pair<std::string, size_t>{std::string("PK\x01\x02", 4), 8}}) {
    for (size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 4)) {
      const size_t nameAt = signature[2] == '\x03' ? at + 30 : at + 46;
      if (zip.compare(nameAt, name.size(), name) != 0) continue;
      zip[at + flagsAt] = static_cast<char>(static_cast<uint8_t>(zip[at + flagsAt]) | (bits & 0xFF));
    }
  }
  return zip;
}

// Writes a claimed uncompressed size into every header of an entry.
std::string WithClaimedSize(std::string zip, const std::string& name, uint32_t size) {
  for (const auto& [signature, sizeAt] : {std::pair<std::string, size_t>{std::string("PK\x03\x04", 4), 22},
                                          std::pair<std::string, size_t>{std::string("PK\x01\x02", 4), 24}}) {
    for (size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 4)) {
      const size_t nameAt = signature[2] == '\x03' ? at + 30 : at + 46;
      if (zip.compare(nameAt, name.size(), name) != 0) continue;
      for (int k = 0; k < 4; ++k) zip[at + sizeAt + k] = static_cast<char>((size >> (8 * k)) & 0xFF);
    }
  }
  return zip;
}

docxfix::Entries Without(docxfix::Entries e, const std::string& name) {
  e.erase(std::remove_if(e.begin(), e.end(), [&](const auto& p) { return p.first == name; }), e.end());
  return e;
}

docxfix::Entries WithPart(docxfix::Entries e, const std::string& name, const std::string& data) {
  for (auto& p : e)
    if (p.first == name) p.second = data;
  return e;
}

std::vector<std::pair<std::string, std::string>> BadTemplates() {
  const docxfix::Entries good = docxfix::TemplateEntries("<w:p><w:r><w:t>&lt;Model&gt; &lt;Image&gt;</w:t></w:r></w:p>");
  const std::string goodZip = docxfix::Zip(good);
  std::vector<std::pair<std::string, std::string>> bad;
  bad.emplace_back("not a zip", "This is a text file, not a template.\n");
  bad.emplace_back("empty", "");
  bad.emplace_back("truncated", goodZip.substr(0, goodZip.size() / 2));
  bad.emplace_back("end cut off", goodZip.substr(0, goodZip.size() - 10));
  {
    docxfix::Entries many = good;
    for (int i = 0; i < 10000; ++i) many.emplace_back("custom/item" + std::to_string(i) + ".xml", "<a/>");
    bad.emplace_back("10,000 entries", docxfix::Zip(many));
  }
  bad.emplace_back("claims 4 GB", WithClaimedSize(goodZip, "word/document.xml", 0xFFFFFFF0u));
  {
    docxfix::Entries bomb = good;
    bomb.emplace_back("word/media/huge.bin", std::string(65u << 20, '\0'));
    bad.emplace_back("unpacks beyond 64 MB", docxfix::Zip(bomb));
  }
  bad.emplace_back("encrypted entry", WithFlags(goodZip, "word/document.xml", 1));
  bad.emplace_back("no main document", docxfix::Zip(Without(good, "word/document.xml")));
  bad.emplace_back("no content types", docxfix::Zip(Without(good, "[Content_Types].xml")));
  bad.emplace_back("malformed XML",
                   docxfix::Zip(WithPart(good, "word/document.xml",
                                         std::string("<w:document xmlns:w=\"") + docxfix::kW + "\"><w:body><w:p></w:body>")));
  bad.emplace_back("DOCTYPE",
                   docxfix::Zip(WithPart(good, "word/document.xml",
                                         std::string("<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\">"
                                                     "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><w:document xmlns:w=\"") +
                                             docxfix::kW + "\"><w:body><w:p><w:r><w:t>&b;</w:t></w:r></w:p></w:body></w:document>")));
  {
    std::string body;
    const std::string paragraph = "<w:p><w:r><w:t>" + std::string(1000, 'x') + "</w:t></w:r></w:p>";
    while (body.size() < (20u << 20)) body += paragraph;
    bad.emplace_back("20 MB document", docxfix::Zip(WithPart(good, "word/document.xml", docxfix::Document(body))));
  }
  bad.emplace_back("not a word document",
                   docxfix::Zip(WithPart(good, "word/document.xml", "<html><body><p>&lt;Image&gt;</p></body></html>")));
  bad.emplace_back("no body", docxfix::Zip(WithPart(good, "word/document.xml",
                                                   std::string("<w:document xmlns:w=\"") + docxfix::kW + "\"/>")));
  bad.emplace_back("malformed relationships",
                   docxfix::Zip(WithPart(good, "word/_rels/document.xml.rels", "<Relationships><Relationship")));
  return bad;
}

TEST(DocxReport, UnusableTemplatesAreRefused) {
  const TDocxReport report = MakeReport(8, 6);
  for (const auto& [what, bytes] : BadTemplates()) {
    try {
      (void)report.Build(&bytes);
      ADD_FAILURE() << what << ": a report was made";
    } catch (const EDocxTemplate&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << what << ": " << e.what();
    }
  }
}

// Random bytes, cut templates, main documents with characters changed and templates with bytes
// changed: each is refused or gives a package that reads back whole; nothing else happens.
TEST(DocxReport, FuzzedTemplatesAreRefusedOrRead) {
  const TDocxReport report = MakeReport(8, 6);
  const std::string good = Named("split_runs").Template;
  std::mt19937 rng(29);
  int refused = 0, made = 0;
  for (int i = 0; i < 600; ++i) {
    std::string t;
    switch (i % 4) {
      case 0: {
        t.resize(rng() % 2048);
        for (char& c : t) c = static_cast<char>(rng());
        if (i % 8 == 0) t.replace(0, std::min<size_t>(4, t.size()), std::string("PK\x03\x04", 4));
        break;
      }
      case 1:
        t = good.substr(0, rng() % good.size());
        break;
      case 2: {
        // The main document's XML with characters changed, in a whole zip: the parser's turn.
        docxfix::Entries entries = docxfix::TemplateEntries(
            "<w:p><w:r><w:t>&lt;Model&gt;</w:t></w:r><w:r><w:t>&lt;Image&gt; &lt;SerialNum&gt;</w:t></w:r></w:p>");
        std::string& xml = entries[2].second;
        const char alphabet[] = "<>&;/=\"' ax:\0";
        const int changes = 1 + static_cast<int>(rng() % 3);
        for (int k = 0; k < changes; ++k) xml[rng() % xml.size()] = alphabet[rng() % (sizeof alphabet - 1)];
        t = docxfix::Zip(entries);
        break;
      }
      default: {
        t = good;
        const int changes = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < changes; ++k) t[rng() % t.size()] = static_cast<char>(rng());
        break;
      }
    }
    try {
      const std::vector<uint8_t> out = report.Build(&t);
      ++made;
      EXPECT_NO_THROW((void)docxfix::Parts(out)) << "case " << i;
    } catch (const EDocxTemplate&) {
      ++refused;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "case " << i << ": " << e.what();
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(made, 0);
}

}  // namespace
