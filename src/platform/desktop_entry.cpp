#include "platform/desktop_entry.h"

#include "platform/file_name_bytes.h"

namespace tessivo {
namespace {

// Quotes an argument of Exec: inside double quotes, '"', '`', '$' and '\'
// take a backslash; then the value itself escapes each '\' again, and a '%'
// is written "%%" so that it is not taken for a field code.
std::string QuoteExecArgument(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  std::string value;
  for (char c : quoted) {
    if (c == '\\') {
      value += "\\\\";
    } else if (c == '%') {
      value += "%%";
    } else if (c == '\n') {
      value += "\\n";
    } else {
      value.push_back(c);
    }
  }
  return value;
}

// A value of a desktop entry: one line, backslashes escaped.
std::string EscapeValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::u16string DesktopEntryPath(const ProgramEnvironment& env) {
  std::u16string data = DataHome(env);
  if (data.empty()) return {};
  return data + u"/applications/" + std::u16string(kDesktopEntryName);
}

std::string DesktopEntryText(std::u16string_view executable, std::u16string_view display_name) {
  std::string text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + EscapeValue(Utf16ToUtf8(display_name)) + " \xE3\x81\xB8\n";  // " へ"
  text += "Exec=" + QuoteExecArgument(Utf16ToUtf8(executable)) + " %F\n";
  text += "MimeType=inode/directory;\nNoDisplay=true\nTerminal=false\n";
  return text;
}

bool IsDesktopEntryInstalled(const ProgramEnvironment& env, FileSystem& fs) {
  std::u16string path = DesktopEntryPath(env);
  if (path.empty()) return false;
  auto text = fs.ReadFile(path);
  if (!text) return false;
  // The Name line of the [Desktop Entry] group (the untranslated one).
  std::size_t pos = 0;
  while (pos < text->size()) {
    std::size_t end = text->find('\n', pos);
    if (end == std::string::npos) end = text->size();
    std::string_view line(text->data() + pos, end - pos);
    if (line.starts_with("Name=")) {
      return line.find("Tessivo") != std::string_view::npos ||
             line.find("\xE3\x83\x86\xE3\x83\x83\xE3\x82\xB7\xE3\x83\xBC\xE3\x83\xB4\xE3\x82\xA9") !=
                 std::string_view::npos;  // "テッシーヴォ"
    }
    pos = end + 1;
  }
  return false;
}

Status InstallDesktopEntry(const ProgramEnvironment& env, FileSystem& fs,
                           std::u16string_view display_name) {
  std::u16string path = DesktopEntryPath(env);
  if (path.empty()) {
    return MakeError(ErrorCode::kNotFound, u"no place for the desktop entry: HOME unset");
  }
  if (env.executable.empty()) {
    return MakeError(ErrorCode::kNotFound, u"the program's own path is unknown");
  }
  Status folder = fs.CreateFolders(path.substr(0, path.rfind(u'/')), 0700);
  if (!folder) return folder;
  return fs.WriteFileAtomic(path, DesktopEntryText(env.executable, display_name));
}

Status RemoveDesktopEntry(const ProgramEnvironment& env, FileSystem& fs) {
  std::u16string path = DesktopEntryPath(env);
  if (path.empty()) return MakeError(ErrorCode::kNotFound, u"no desktop entry");
  return fs.RemoveFile(path);
}

}  // namespace tessivo
