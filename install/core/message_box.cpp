#include "install/core/message_box.h"

static MessageBoxHook messageBoxHook = nullptr;

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    if (messageBoxHook != nullptr)
        return messageBoxHook(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    messageBoxHook = hook;
}
