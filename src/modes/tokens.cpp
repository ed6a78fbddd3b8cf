#include "modes/tokens.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "modes/name_parts.h"
#include "platform/file_system.h"

namespace tessivo {
namespace {

// The text being expanded, as a run of pieces. Pieces that a token put in are
// fixed: later passes skip them, so inserted text is never scanned again.
struct Piece {
  std::u16string text;
  bool fixed = false;
};

// What a token stands for, worked out only when a token needs it.
class TokenValues {
 public:
  TokenValues(std::u16string_view source_path, const FileSizeFn& file_size)
      : source_path_(source_path), file_size_(file_size) {}

  // The folder part is the path up to its last "/"; its last component is
  // the parent folder's name.
  const std::u16string& Folder() {
    if (!folder_) {
      std::u16string_view folder = source_path_.substr(0, NameStart());
      while (!folder.empty() && folder.back() == u'/') folder.remove_suffix(1);
      const std::size_t slash = folder.rfind(u'/');
      folder_.emplace(slash == std::u16string_view::npos ? folder : folder.substr(slash + 1));
      CutToMaxPath(*folder_);
    }
    return *folder_;
  }

  const std::u16string& Size() {
    if (!size_) {
      const std::uint64_t bytes = file_size_ ? file_size_(std::u16string(source_path_)) : 0;
      const std::string digits = std::to_string(bytes);
      size_.emplace(digits.begin(), digits.end());
    }
    return *size_;
  }

  // The name's text after its last ".", as the plain split finds it.
  const std::u16string& Extension() {
    if (!extension_) {
      const std::u16string_view name = source_path_.substr(NameStart());
      const std::size_t dot = name.rfind(u'.');
      extension_.emplace(dot == std::u16string_view::npos ? std::u16string_view()
                                                          : name.substr(dot + 1));
      CutToMaxPath(*extension_);
    }
    return *extension_;
  }

 private:
  std::size_t NameStart() const {
    const std::size_t slash = source_path_.rfind(u'/');
    return slash == std::u16string_view::npos ? 0 : slash + 1;
  }

  std::u16string_view source_path_;
  const FileSizeFn& file_size_;
  std::optional<std::u16string> folder_;
  std::optional<std::u16string> size_;
  std::optional<std::u16string> extension_;
};

// Replaces, in the unfixed pieces, every `token` by `value` and (when
// `escape` is not empty) every `escape` by the literal `escape_result`.
// Both leave fixed pieces behind. At each position the escape is tried
// before the token, so "\\f" is one escape and not "\" followed by "\f".
template <typename ValueFn>
void ReplacePass(std::vector<Piece>& pieces, std::u16string_view token, std::u16string_view escape,
                 std::u16string_view escape_result, ValueFn&& value) {
  const bool any = std::any_of(pieces.begin(), pieces.end(), [&](const Piece& piece) {
    return !piece.fixed && piece.text.find(token) != std::u16string::npos;
  });
  if (!any) return;
  std::vector<Piece> out;
  out.reserve(pieces.size() + 4);
  for (Piece& piece : pieces) {
    if (piece.fixed || piece.text.find(token) == std::u16string::npos) {
      out.push_back(std::move(piece));
      continue;
    }
    const std::u16string_view text = piece.text;
    std::size_t literal_start = 0;
    std::size_t i = 0;
    auto flush_literal = [&](std::size_t end) {
      if (end > literal_start)
        out.push_back({std::u16string(text.substr(literal_start, end - literal_start)), false});
    };
    while (i < text.size()) {
      const std::u16string_view rest = text.substr(i);
      if (!escape.empty() && rest.starts_with(escape)) {
        flush_literal(i);
        out.push_back({std::u16string(escape_result), true});
        i += escape.size();
        literal_start = i;
      } else if (rest.starts_with(token)) {
        flush_literal(i);
        out.push_back({value(), true});
        i += token.size();
        literal_start = i;
      } else {
        ++i;
      }
    }
    flush_literal(text.size());
  }
  pieces = std::move(out);
}

void CutPieces(std::vector<Piece>& pieces) {
  std::size_t total = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (total + pieces[i].text.size() > kMaxPathChars) {
      pieces[i].text.resize(kMaxPathChars - total);
      pieces.resize(i + 1);
      return;
    }
    total += pieces[i].text.size();
  }
}

// The token kinds in the order they are replaced.
struct Kind {
  char16_t letter;
  bool escapable;  // \\X is a literal \X in the escaped style
  int value;       // 0 folder, 1 size, 2 extension
};
constexpr Kind kKinds[] = {{u'f', true, 0}, {u's', true, 1}, {u':', false, 1}, {u'e', true, 2}};
constexpr std::size_t kKindCount = std::size(kKinds);

const std::u16string& ValueOf(const Kind& kind, TokenValues& values) {
  switch (kind.value) {
    case 0:
      return values.Folder();
    case 1:
      return values.Size();
    default:
      return values.Extension();
  }
}

// One pass per kind, as the tokens are defined: exact also when the text
// grows past the limit between two kinds.
std::u16string ExpandByPasses(std::u16string_view text, TokenStyle style, TokenValues& values) {
  std::vector<Piece> pieces{{std::u16string(text), false}};
  for (const Kind& kind : kKinds) {
    const char16_t single[] = {u'\\', kind.letter};
    const char16_t doubled[] = {u'\\', u'\\', kind.letter};
    const std::u16string_view single_form(single, 2);
    const std::u16string_view doubled_form(doubled, 3);
    const std::u16string_view token = style == kTokenStyleDoubled ? doubled_form : single_form;
    const std::u16string_view escape =
        style == kTokenStyleEscaped && kind.escapable ? doubled_form : std::u16string_view();
    ReplacePass(pieces, token, escape, single_form,
                [&]() -> std::u16string { return ValueOf(kind, values); });
    CutPieces(pieces);
  }
  std::u16string result;
  for (const Piece& piece : pieces) result += piece.text;
  return result;
}

// The kind whose letter is `c`, or kKindCount.
std::size_t KindOf(char16_t c) {
  for (std::size_t k = 0; k < kKindCount; ++k) {
    if (kKinds[k].letter == c) return k;
  }
  return kKindCount;
}

// All kinds in one left-to-right scan. Occurrences of different kinds never
// overlap, so this finds what the passes find; it differs only when a pass
// would have cut the text. Returns nothing in that case.
std::optional<std::u16string> ExpandInOneScan(std::u16string_view text, TokenStyle style,
                                              TokenValues& values) {
  std::u16string out;
  out.reserve(text.size() + 32);
  std::int64_t growth[kKindCount] = {};
  std::size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    std::size_t kind = kKindCount;
    std::size_t length = 0;
    bool escape = false;
    if (c == u'\\') {
      const bool doubled = i + 2 < text.size() && text[i + 1] == u'\\';
      const std::size_t doubled_kind = doubled ? KindOf(text[i + 2]) : kKindCount;
      if (style == kTokenStyleDoubled) {
        kind = doubled_kind;
        length = 3;
      } else if (style == kTokenStyleEscaped && doubled_kind < kKindCount &&
                 kKinds[doubled_kind].escapable) {
        kind = doubled_kind;
        length = 3;
        escape = true;
      } else if (i + 1 < text.size()) {
        kind = KindOf(text[i + 1]);
        length = 2;
      }
    }
    if (kind == kKindCount) {
      out.push_back(c);
      ++i;
      continue;
    }
    const std::size_t before = out.size();
    if (escape) {
      out.push_back(u'\\');
      out.push_back(kKinds[kind].letter);
    } else {
      out += ValueOf(kKinds[kind], values);
    }
    growth[kind] +=
        static_cast<std::int64_t>(out.size() - before) - static_cast<std::int64_t>(length);
    i += length;
  }
  auto running = static_cast<std::int64_t>(text.size());
  for (std::int64_t g : growth) {
    running += g;
    if (running > static_cast<std::int64_t>(kMaxPathChars)) return std::nullopt;
  }
  return out;
}

}  // namespace

FileSizeFn FileSizeFrom(FileSystem& fs) {
  return [&fs](const std::u16string& path) -> std::uint64_t {
    Result<FileInfo> info = fs.Stat(path);
    if (!info.has_value() || info.value().is_directory) return 0;
    return info.value().size;
  };
}

std::u16string ExpandTokens(std::u16string_view text, std::u16string_view source_path,
                            TokenStyle style, const FileSizeFn& file_size) {
  if (text.find(u'\\') == std::u16string_view::npos) return std::u16string(text);
  if (style != kTokenStyleDoubled && style != kTokenStyleEscaped) style = kTokenStyleSingle;
  TokenValues values(source_path, file_size);
  if (text.size() <= kMaxPathChars) {
    if (std::optional<std::u16string> result = ExpandInOneScan(text, style, values)) {
      return *std::move(result);
    }
  }
  return ExpandByPasses(text, style, values);
}

void ExpandTokensIn(std::u16string& text, std::u16string_view source_path, TokenStyle style,
                    const FileSizeFn& file_size) {
  if (text.find(u'\\') == std::u16string::npos) return;
  text = ExpandTokens(text, source_path, style, file_size);
}

}  // namespace tessivo
