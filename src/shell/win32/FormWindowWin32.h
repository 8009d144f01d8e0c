// The form windows on Windows, as the saver's window needs to know them.
#pragma once

namespace zelmar {

// Set on a form window hidden for good (HideSaverWindow): its window procedure refuses to show
// it again.
constexpr const char* kKeepHiddenProperty = "ZelmarKeepHidden";

}  // namespace zelmar
