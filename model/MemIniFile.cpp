#include "model/MemIniFile.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "model/EAbort.h"
#include "model/NumberText.h"
#include "model/TextCodec.h"
#include "platform/AtomicFile.h"

namespace {

// Section and key names match regardless of ASCII case; other characters match exactly.
std::string Fold(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return out;
}

// Nearly all of a state file is hex digits: the two directions between them and UTF-16LE take
// sixteen characters at a time where the processor can.

// How many of the first `units` UTF-16LE units at src are ASCII other than CR and LF.
size_t PlainAsciiUnits(const char* src, size_t units) {
  size_t k = 0;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i cr = _mm_set1_epi16(0x0D);
  const __m128i lf = _mm_set1_epi16(0x0A);
  const __m128i zero = _mm_setzero_si128();
  for (; k + 8 <= units; k += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * k));
    const __m128i stop = _mm_or_si128(_mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(v, high), zero), _mm_set1_epi16(-1)),
                                      _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
    if (_mm_movemask_epi8(stop) != 0) break;
  }
#endif
  for (; k < units; ++k) {
    const char lo = src[2 * k];
    const char hi = src[2 * k + 1];
    if (hi != '\0' || static_cast<unsigned char>(lo) >= 0x80 || lo == '\r' || lo == '\n') break;
  }
  return k;
}

// The low bytes of `units` UTF-16LE units known to be ASCII.
void NarrowUnits(const char* src, size_t units, char* dst) {
  size_t k = 0;
#if defined(__SSE2__)
  for (; k + 16 <= units; k += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * k));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * k + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(a, b));
  }
#endif
  for (; k < units; ++k) dst[k] = src[2 * k];
}

// How many of the first n bytes at src are ASCII.
size_t AsciiBytes(const char* src, size_t n) {
  size_t k = 0;
#if defined(__SSE2__)
  for (; k + 16 <= n; k += 16) {
    if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k))) != 0) break;
  }
#endif
  while (k < n && static_cast<unsigned char>(src[k]) < 0x80) ++k;
  return k;
}

// ASCII bytes widened to UTF-16LE units: 2n bytes at dst.
void WidenAscii(const char* src, size_t n, char* dst) {
  size_t k = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; k + 16 <= n; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * k), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * k + 16), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; k < n; ++k) {
    dst[2 * k] = src[k];
    dst[2 * k + 1] = '\0';
  }
}

// UTF-8 to UTF-16LE bytes. Blobs of hex digits make up nearly all of a state file, so ASCII is
// copied straight; every run of other bytes goes through the codec (a run lies between ASCII
// bytes, so no UTF-8 sequence is ever split).
// Encodes text to UTF-16LE into a buffer of fixed size and hands every full buffer on. State files
// are megabytes of hex: encoding them whole into a second, doubled copy cost more than the
// encoding (and the file system's copy) itself.
class Utf16LEChunks {
 public:
  explicit Utf16LEChunks(const std::function<bool(std::string_view)>& put) : put_(put), buffer_(kSize, '\0') {}

  void Add(std::string_view utf8) {
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n && ok_) {
      if (static_cast<unsigned char>(utf8[i]) < 0x80) {
        const size_t room = (kSize - at_) / 2;
        const size_t ascii = AsciiBytes(utf8.data() + i, std::min(n - i, room));
        WidenAscii(utf8.data() + i, ascii, buffer_.data() + at_);
        at_ += 2 * ascii;
        i += ascii;
        if (at_ + 1 >= kSize) Flush();
        continue;
      }
      size_t j = i;
      while (j < n && static_cast<unsigned char>(utf8[j]) >= 0x80) ++j;
      const std::string wide = EncodeUtf16LE(utf8.substr(i, j - i), false);
      if (at_ + wide.size() > kSize) Flush();
      if (wide.size() > kSize) {
        if (ok_) ok_ = put_(wide);
      } else {
        std::memcpy(buffer_.data() + at_, wide.data(), wide.size());
        at_ += wide.size();
      }
      i = j;
    }
  }

  // Hands on what is left; false when any piece was refused.
  bool Finish() {
    Flush();
    return ok_;
  }

 private:
  static constexpr size_t kSize = 1 << 20;

  void Flush() {
    if (at_ > 0 && ok_) ok_ = put_(std::string_view(buffer_.data(), at_));
    at_ = 0;
  }

  const std::function<bool(std::string_view)>& put_;
  std::string buffer_;
  size_t at_ = 0;
  bool ok_ = true;
};

// Splits UTF-16LE bytes, handed over in pieces of any size, into UTF-8 lines at every CR and
// LF. ASCII units are copied straight (hex blobs are nearly all of a state file); each run of
// other units goes through the codec whole, so surrogate pairs stay together, also across
// pieces. An odd last byte is ignored.
class Utf16LELines {
 public:
  // onLine(std::string& line) for every line ended in these bytes; it may take the line's
  // contents (move from it).
  template <typename OnLine>
  void Feed(std::string_view bytes, OnLine&& onLine) {
    size_t i = 0;
    const size_t n = bytes.size();
    if (hasOdd_ && n > 0) {
      hasOdd_ = false;
      Unit(odd_, bytes[0], onLine);
      i = 1;
    }
    while (i + 1 < n) {
      if (run_.empty()) {
        const size_t units = PlainAsciiUnits(bytes.data() + i, (n - i) / 2);
        if (units > 0) {
          const size_t at = line_.size();
          line_.resize(at + units);
          NarrowUnits(bytes.data() + i, units, line_.data() + at);
          i += 2 * units;
          continue;
        }
      }
      Unit(bytes[i], bytes[i + 1], onLine);
      i += 2;
    }
    if (i < n) {
      odd_ = bytes[i];
      hasOdd_ = true;
    }
  }

  // The last line, when the bytes did not end with a line break.
  template <typename OnLine>
  void Finish(OnLine&& onLine) {
    FlushRun();
    if (!line_.empty()) onLine(line_);
    line_.clear();
  }

 private:
  template <typename OnLine>
  void Unit(char lo, char hi, OnLine& onLine) {
    if (hi == '\0' && static_cast<unsigned char>(lo) < 0x80) {
      FlushRun();
      if (lo == '\r' || lo == '\n') {
        onLine(line_);
        line_.clear();
      } else {
        line_.push_back(lo);
      }
    } else {
      run_.push_back(lo);
      run_.push_back(hi);
    }
  }

  void FlushRun() {
    if (run_.empty()) return;
    line_ += DecodeUtf16Bytes(run_, false);
    run_.clear();
  }

  std::string line_;  // UTF-8 of the line so far
  std::string run_;   // UTF-16LE bytes of the current run of non-ASCII units
  char odd_ = 0;
  bool hasOdd_ = false;
};

bool IsUtf16LE(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xFE;
}

bool NeedsMend(std::string_view text) {
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') return true;
  }
  return false;
}

struct Entry {
  std::string key;    // the whole line when raw
  std::string value;
  bool raw = false;
};

struct Section {
  std::string name;
  std::vector<Entry> entries;
  std::unordered_map<std::string, size_t> keyIndex;  // folded key -> entry

  void RebuildIndex() {
    keyIndex.clear();
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!entries[i].raw) keyIndex[Fold(entries[i].key)] = i;
    }
  }
  const Entry* Find(const std::string& key) const {
    auto it = keyIndex.find(Fold(key));
    return it == keyIndex.end() ? nullptr : &entries[it->second];
  }
  // A write replaces the value (and the key's spelling) in place, or appends a new key.
  void Set(std::string_view key, std::string_view value) {
    auto [it, added] = keyIndex.try_emplace(Fold(key), entries.size());
    if (added) {
      entries.push_back(Entry{std::string(key), std::string(value), false});
    } else {
      Entry& e = entries[it->second];
      e.key.assign(key);
      e.value.assign(value);
    }
  }
  void Set(std::string_view key, std::string&& value) {
    auto [it, added] = keyIndex.try_emplace(Fold(key), entries.size());
    if (added) {
      entries.push_back(Entry{std::string(key), std::move(value), false});
    } else {
      Entry& e = entries[it->second];
      e.key.assign(key);
      e.value = std::move(value);
    }
  }
};

}  // namespace

struct TMemIniFile::Impl {
  std::vector<Section> sections;
  std::unordered_map<std::string, size_t> sectionIndex;  // folded name -> section

  const Section* Find(const std::string& name) const {
    auto it = sectionIndex.find(Fold(name));
    return it == sectionIndex.end() ? nullptr : &sections[it->second];
  }
  Section* Find(const std::string& name) {
    auto it = sectionIndex.find(Fold(name));
    return it == sectionIndex.end() ? nullptr : &sections[it->second];
  }
  size_t FindOrAddIndex(std::string_view name) {
    auto [it, added] = sectionIndex.try_emplace(Fold(name), sections.size());
    if (added) {
      sections.emplace_back();
      sections.back().name.assign(name);
    }
    return it->second;
  }
  Section& FindOrAdd(std::string_view name) { return sections[FindOrAddIndex(name)]; }
  void RebuildIndex() {
    sectionIndex.clear();
    for (size_t i = 0; i < sections.size(); ++i) sectionIndex.emplace(Fold(sections[i].name), i);
  }

  // Lines are trimmed; ';' lines and lines before the first section header are dropped; a
  // repeated section header continues the earlier section and a repeated key keeps the last
  // value, at the place of its first line. current: the section lines go to (none yet: SIZE_MAX).
  // owned, when given, holds the line's text and may be taken for a long value, which is then
  // not copied.
  //
  // A section or key name holding CR, LF or NUL could not be written back as it is (a save
  // makes blanks of them, which may merge it with another): it is dropped with what it names.
  // In a value or raw line they become blanks here, as a save would make them. Every byte-order
  // mark at the start of the document is skipped.
  void ParseLine(std::string_view line, size_t& current, std::string* owned = nullptr) {
    if (atStart) {
      atStart = false;
      line = StripLeadingMarks(line);
    }
    line = TrimText(line);
    if (line.empty() || line[0] == ';') return;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = TrimText(line.substr(1, line.size() - 2));
      current = HoldsLineBreakOrNul(name) ? SIZE_MAX : FindOrAddIndex(name);
      return;
    }
    if (current == SIZE_MAX) return;
    Section& s = sections[current];
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      s.entries.push_back(Entry{MendLoaded(line), std::string(), true});
      return;
    }
    const std::string_view key = TrimText(line.substr(0, eq));
    if (HoldsLineBreakOrNul(key)) return;
    const std::string_view value = TrimText(line.substr(eq + 1));
    if (HoldsLineBreakOrNul(value)) {
      s.Set(key, MendLoaded(value));
    } else if (owned && value.size() >= 4096) {
      const std::string keyCopy(key);
      const size_t from = static_cast<size_t>(value.data() - owned->data());
      const size_t size = value.size();
      std::string taken = std::move(*owned);
      owned->clear();
      taken.resize(from + size);
      taken.erase(0, from);
      s.Set(keyCopy, std::move(taken));
    } else {
      s.Set(key, value);
    }
  }

  void Parse(std::string_view text) {
    size_t current = SIZE_MAX;
    ForEachLine(text, [&](std::string_view line) { ParseLine(line, current); });
  }

  // UTF-16LE bytes (no BOM) in pieces of any size, then Finish.
  void FeedUtf16LE(std::string_view piece) {
    lines.Feed(piece, [this](std::string& line) { ParseLine(line, current, &line); });
  }
  void FinishUtf16LE() {
    lines.Finish([this](std::string& line) { ParseLine(line, current, &line); });
  }

  // A whole document in bytes (UTF-16 LE/BE with BOM, UTF-8, else Windows-1251).
  void ParseBytes(std::string_view bytes) {
    if (IsUtf16LE(bytes)) {
      FeedUtf16LE(bytes.substr(2));
      FinishUtf16LE();
    } else {
      Parse(DecodeTextFile(bytes));
    }
  }

  template <typename Fn>
  static void ForEachLine(std::string_view text, Fn&& fn) {
    TMemIniFile::ForEachLine(text, std::forward<Fn>(fn));
  }

  // Upper bound of the UTF-8 size of the document.
  size_t TextSize() const {
    size_t size = 0;
    for (const Section& s : sections) {
      size += s.name.size() + 6;
      for (const Entry& e : s.entries) size += e.key.size() + e.value.size() + 3;
    }
    return size;
  }

  // Hands the document's text to put(piece) piece by piece, CR, LF and NUL inside a name or a
  // value turned into blanks.
  template <typename Put>
  void Emit(Put&& put) const {
    std::string mended;
    auto safe = [&](std::string_view text) {
      if (!NeedsMend(text)) {
        put(text);
        return;
      }
      mended.clear();
      AppendLineSafe(mended, text);
      put(mended);
    };
    for (const Section& s : sections) {
      put("[");
      safe(s.name);
      put("]\r\n");
      for (const Entry& e : s.entries) {
        safe(e.key);
        if (!e.raw) {
          put("=");
          safe(e.value);
        }
        put("\r\n");
      }
      put("\r\n");
    }
  }

  static void AppendLineSafe(std::string& out, std::string_view text) { TMemIniFile::AppendLineSafe(out, text); }
  static std::string_view StripLeadingMarks(std::string_view line) { return TMemIniFile::StripLeadingMarks(line); }
  static bool HoldsLineBreakOrNul(std::string_view text) { return TMemIniFile::HoldsLineBreakOrNul(text); }
  static std::string MendLoaded(std::string_view text) { return TMemIniFile::MendLoaded(text); }

  bool atStart = true;  // the next line is the document's first
  size_t current = SIZE_MAX;  // the section lines go to while a document is read
  Utf16LELines lines;
};

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)), impl_(std::make_unique<Impl>()) {
  if (!FileName.empty()) LoadFile();
}

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::LoadFile() {
  std::error_code ec;
  if (std::filesystem::status(FileName, ec).type() == std::filesystem::file_type::not_found) {
    Clear();
    return;
  }
  LoadFromFile(FileName);
}

TMemIniFile::TFileRead TMemIniFile::LoadFromFile(const std::string& path, uint64_t maxBytes) {
  auto fresh = std::make_unique<Impl>();
  TFileRead info;
  // Until the mark is seen, and for every other encoding, the bytes are gathered whole.
  std::string whole;
  bool streamed = false;
  uint64_t total = 0;
  const platform::FileResult r = platform::AtomicFile::readPieces(
      path,
      [&](std::string_view piece) {
        if (streamed) {
          fresh->FeedUtf16LE(piece);
          return true;
        }
        whole.append(piece);
        if (whole.size() >= 2 && IsUtf16LE(whole)) {
          streamed = true;
          fresh->FeedUtf16LE(std::string_view(whole).substr(2));
          std::string().swap(whole);
        }
        return true;
      },
      maxBytes, &total);
  if (!r) throw EAbort(r.message);
  if (streamed) {
    fresh->FinishUtf16LE();
    info.Utf16 = true;
  } else {
    info.Utf16 = whole.size() >= 2 && static_cast<unsigned char>(whole[0]) == 0xFE &&
                 static_cast<unsigned char>(whole[1]) == 0xFF;
    fresh->ParseBytes(whole);
  }
  info.Bytes = total;
  impl_ = std::move(fresh);
  return info;
}

bool TMemIniFile::SectionExists(const std::string& section) const { return impl_->Find(section) != nullptr; }

std::string TMemIniFile::ReadString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
  const Section* s = impl_->Find(section);
  if (!s) return defaultValue;
  const Entry* e = s->Find(key);
  return e ? e->value : defaultValue;
}

bool TMemIniFile::PeekValue(const std::string& section, const std::string& key, std::string_view& value) const {
  const Section* s = impl_->Find(section);
  const Entry* e = s ? s->Find(key) : nullptr;
  if (!e) return false;
  value = e->value;
  return true;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  impl_->FindOrAdd(section).Set(key, value);
}

void TMemIniFile::TakeString(const std::string& section, const std::string& key, std::string&& value) {
  impl_->FindOrAdd(section).Set(key, std::move(value));
}

void TMemIniFile::WriteRawString(const std::string& section, const std::string& line) {
  impl_->FindOrAdd(section).entries.push_back(Entry{line, std::string(), true});
}

void TMemIniFile::ReadSection(const std::string& section, std::vector<std::string>& names) const {
  names.clear();
  const Section* s = impl_->Find(section);
  if (!s) return;
  names.reserve(s->entries.size());
  for (const Entry& e : s->entries) names.push_back(e.raw ? std::string() : e.key);
}

void TMemIniFile::ReadSections(std::vector<std::string>& names) const {
  names.clear();
  names.reserve(impl_->sections.size());
  for (const Section& s : impl_->sections) names.push_back(s.name);
}

void TMemIniFile::ReadSectionValues(const std::string& section, std::vector<std::string>& lines) const {
  lines.clear();
  const Section* s = impl_->Find(section);
  if (!s) return;
  lines.reserve(s->entries.size());
  for (const Entry& e : s->entries) lines.push_back(e.raw ? e.key : e.key + "=" + e.value);
}

void TMemIniFile::EraseSection(const std::string& section) {
  auto it = impl_->sectionIndex.find(Fold(section));
  if (it == impl_->sectionIndex.end()) return;
  impl_->sections.erase(impl_->sections.begin() + static_cast<std::ptrdiff_t>(it->second));
  impl_->RebuildIndex();
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& key) {
  Section* s = impl_->Find(section);
  if (!s) return;
  auto it = s->keyIndex.find(Fold(key));
  if (it == s->keyIndex.end()) return;
  s->entries.erase(s->entries.begin() + static_cast<std::ptrdiff_t>(it->second));
  s->RebuildIndex();
}

void TMemIniFile::UpdateFile() {
  if (FileName.empty()) return;
  const platform::FileResult r =
      platform::AtomicFile::writeStream(FileName, [this](const platform::AtomicFile::Sink& sink) { SaveTo(sink); });
  if (!r) throw EAbort(r.message);
}

bool TMemIniFile::ValueExists(const std::string& section, const std::string& key) const {
  const Section* s = impl_->Find(section);
  return s && s->Find(key) != nullptr;
}

void TMemIniFile::Clear() {
  impl_->sections.clear();
  impl_->sectionIndex.clear();
}

void TMemIniFile::LoadFromBytes(std::string_view bytes) {
  auto fresh = std::make_unique<Impl>();
  fresh->ParseBytes(bytes);
  impl_ = std::move(fresh);
}

bool TMemIniFile::SaveTo(const std::function<bool(std::string_view)>& put) const {
  if (!put("\xFF\xFE")) return false;
  Utf16LEChunks chunks(put);
  impl_->Emit([&](std::string_view piece) { chunks.Add(piece); });
  return chunks.Finish();
}

std::string TMemIniFile::SaveToBytes() const {
  std::string out;
  out.reserve(2 * impl_->TextSize() + 2);  // a UTF-8 byte never makes more than one UTF-16 unit
  SaveTo([&out](std::string_view piece) {
    out.append(piece);
    return true;
  });
  return out;
}

std::string TMemIniFile::GetText() const {
  std::string out;
  out.reserve(impl_->TextSize());
  impl_->Emit([&](std::string_view piece) { out.append(piece); });
  return out;
}

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
  std::string old = std::exchange(FileName, fileName);
  if (!reload) return;
  try {
    LoadFile();
  } catch (...) {
    FileName = std::move(old);
    throw;
  }
}
