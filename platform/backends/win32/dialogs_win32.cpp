#include "platform/backends/win32/dialogs_win32.hpp"

#include "platform/machine/text_codec.hpp"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <string>

namespace schlingo::platform::win32 {

namespace {
std::wstring wide(const std::string& cp1252) {
    const std::u16string text = cp1252ToUtf16(cp1252);
    return std::wstring(text.begin(), text.end());
}
} // namespace

MessageAnswer showMessage(const MessageBox& box) {
    const bool question = box.buttons == MessageBox::Buttons::YesNoCancel;
    UINT flags = question ? MB_YESNOCANCEL : MB_OK;
    flags |= box.icon == MessageBox::Icon::Question ? MB_ICONQUESTION : MB_ICONINFORMATION;
    if (box.systemModal)
        flags |= MB_SYSTEMMODAL; // with the information icon: 4160, the game's own messages
    HWND owner = box.owner == MessageBox::Owner::StartWindow ? currentStartWindow() : nullptr;
    switch (MessageBoxW(owner, wide(box.text).c_str(), wide(box.title).c_str(), flags)) {
    case IDYES:
        return MessageAnswer::Yes;
    case IDNO:
        return MessageAnswer::No;
    case IDOK:
        return MessageAnswer::Ok;
    default:
        // IDCANCEL, or the box could not be shown: a question is cancelled.
        return question ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
}

} // namespace schlingo::platform::win32
