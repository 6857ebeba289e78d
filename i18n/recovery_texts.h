#pragma once
// Texts of the window's recovery copy of unsaved parts, in every language of the list.
#include <string_view>

enum class recovery_text { RestoreOffer };

// The text in the loaded language.
std::wstring_view RecoveryText(recovery_text text);
