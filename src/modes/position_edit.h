#pragma once
// Position edit (rename mode 1): the user edits a sample name, the template,
// and every old name is rebuilt character by character from the edit.
//
// PositionEditState keeps the position map: for each output position it
// records where that character comes from, an index into the row's old name
// (0 to 259) or kTyped for the character the user typed at that position of
// the template. The map is derived incrementally from successive texts of the
// template field: an edit keeps the map of the unchanged common prefix and
// suffix, and what lies between becomes typed text. So with the template
// "IMG_0001" edited to "Photo_0001", the old name "IMG_0123_x" becomes
// "Photo_0123_x": the digits come from the old name, "Photo" is typed, and the
// characters beyond the template's end follow the edited text.
//
// The state belongs to the program's main window; it is changed only by its
// handlers and read, never changed, while names are computed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessivo {

struct PositionEditParams {
  bool exclude_extension = false;  // the extension is left out of the edit
};

class PositionEditState {
 public:
  static constexpr std::size_t kMapSize = 260;
  // Map entry of a character typed by the user.
  static constexpr std::int32_t kTyped = -1;

  // Starts with the identity map and an empty template.
  PositionEditState();

  // A new template: the longest old name of the list (the first of them on a
  // tie), cut to 259 characters. The field should then show template_name().
  // Resets the map to the identity.
  void LoadTemplate(std::u16string_view longest_old_name);
  // The same event with an empty list: the map and the template text stay,
  // only the template length is taken from the field's current text.
  void LoadTemplateFromField(std::u16string_view field_text);

  // Follows an edit of the field: derives the map from the previous template
  // text and `field_text` (cut to 259 characters), which then becomes the
  // template text. Nothing changes when the text equals the template.
  void UpdatePositionMap(std::u16string_view field_text);

  // Puts back a recorded state (a position-edit step of a macro): `map` as
  // it stands and `template_text` (cut to 259 characters) as the template
  // and template length, without deriving anything from the current map.
  // The field should then show template_name().
  void Restore(const std::array<std::int32_t, kMapSize>& map, std::u16string_view template_text);

  const std::array<std::int32_t, kMapSize>& position_map() const { return map_; }
  const std::u16string& template_name() const { return template_name_; }
  std::size_t template_length() const { return template_length_; }

 private:
  std::array<std::int32_t, kMapSize> map_;
  std::u16string template_name_;
  std::size_t template_length_ = 0;
};

// Rebuilds the name of `source_path` (folder + old name) from the map and the
// current text of the template field. Returns folder + new name, cut to 259
// characters; with posedtnoext the old extension is kept after the new base
// name. A position mapped to typed text that the field no longer reaches (the
// field was shortened since the map was updated) reads "#" while it lies
// within the old name's length; it ends the name beyond that.
std::u16string ApplyPositionEdit(const std::u16string& source_path,
                                 const std::u16string& field_text, const PositionEditParams& params,
                                 const PositionEditState& state);

}  // namespace tessivo
