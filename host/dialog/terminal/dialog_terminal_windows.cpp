// The Windows host has no curses: its dialogs are answered as in batch mode.
#include <string>

#include "host/dialog/dialog_state.h"

bool RunDialogInTerminal(RunningDialog&, std::string* why)
{
    *why = "this build of the host draws no dialogs";
    return false;
}
