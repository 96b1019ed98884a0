// The GUI object kinds and the names of their properties, as data.
#pragma once
#include <string>
#include <vector>

namespace kobu {

// The kind table: an object's kind is its index.
enum TObjectKind {
  okButton, okEdit, okImage, okBar, okCombo, okList, okMemo, okForm, okGrid, okLabel, okCheck,
  okTrack, okAnime, okMenu, okBrowser, okPanel, okTEditor, okRadio, okScroll, okTabPage, okTree,
  okRichEdit, okKindCount
};
// The object kind of the main window and of script forms.
constexpr int kObjectKindForm = okForm;
// The kind's name (CP932); empty for a number outside the table.
std::string ObjectKindName(int kind);
// The first kind whose name is exactly `name` (CP932); -1 when none.
int ObjectKindOf(const std::string& name);

// The properties, by their number in the table.
enum TPropertyNumber {
  ppX, ppY, ppWidth, ppHeight, ppText, ppItems, ppValue, ppPicture, ppStretch, ppMax, ppMin, ppTitle,
  ppOrientation, ppButtonMode, ppVisible, ppEvent, ppOnClick, ppOnDoubleClick, ppOnMouseDown, ppOnMouseUp,
  ppOnKeyDown, ppOnKeyUp, ppOnChange, ppEditable, ppTransparent, ppBackColour, ppBounds, ppName,
  ppScrollBars, ppFontFace, ppFontSize, ppFontColour, ppFileDrop, ppResizable, ppShortcut, ppIme,
  ppRepeatCount, ppSound, ppOnMouseMove, ppAddPicture, ppSelectedText, ppHandle, ppEnabled, ppSelStart,
  ppSelLength, ppUrl, ppRightSide, ppBelow, ppOnFileDrop, ppStyle, ppW, ppH, ppPosition, ppColumn, ppRow,
  ppSort, ppKind, ppCount
};
// The 57 property names in table order, okurigana stripped.
std::vector<std::string> NormalisedPropertyNames();

// The event slots of an object record, and the property of each.
enum TEventSlot {
  esEvent, esClick, esDoubleClick, esMouseDown, esMouseUp, esKeyDown, esKeyUp, esChange, esMouseMove,
  esFileDrop, esCount
};

}  // namespace kobu
