// HostRunDialog: opens a dialog from its template over a data record, runs
// it (at the terminal, or scripted in batch mode) and closes it.  The host
// calls the object's virtual operations at the same moments a windowed host
// would (Transfer and OnInit at the start, OnCommand for a pressed button,
// whose base validates and transfers before OK closes, OnClose at the end),
// so an object that overrides one of them sees the same calls here.  The
// record is written only by Transfer(1), which the base OnCommand calls for
// the OK button alone.
#include <unistd.h>

#include <algorithm>

#include <string>
#include <vector>

#include "host/common/entry_guard.h"
#include "host/dialog/dialog_host.h"
#include "host/dialog/dialog_state.h"
#include "host/services/host_latitude.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"

namespace {

bool Interactive()
{
    return !HostState().batch && isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
}

void Refuse(RunningDialog& d, const std::vector<std::string>& problems)
{
    std::string text = "The dialog \"" + DialogPlainText(d.title) + "\" refused its answers; nothing was changed.";
    for (const std::string& line : problems)
        text += "\n" + line;
    HostShowMessage("error", d.title.c_str(), DialogHostText(text).c_str());
    HostState().dialogRefused = true;
    d.ended = true;
    d.result = 0;
}

// Batch: the answers, then OK (or Cancel) as if pressed.  A dialog that OK
// already closed over the same record is being shown again because the
// plug-in did not take what was confirmed (it has said why): nobody is
// there to change the answers, so it is refused rather than confirmed in a
// loop.
void RunScripted(RunningDialog& d, int dialogId)
{
    auto& confirmed = HostState().dialogsConfirmed;
    const std::pair<int, const void*> self{dialogId, d.data};
    if (std::find(confirmed.begin(), confirmed.end(), self) != confirmed.end()) {
        Refuse(d, {"It was shown again after OK, and in batch mode nobody can change its answers."});
        return;
    }
    std::vector<std::string> problems;
    if (!ApplyDialogAnswers(d, TakeDialogAnswers(), &problems)) {
        Refuse(d, problems);
        return;
    }
    const int button = DialogCancelRequested() ? DialogCancelButton(d) : DialogOkButton(d);
    if (button == 0) {
        // Nothing to press: the dialog closes without a button.
        d.ended = true;
        d.result = 0;
        return;
    }
    DialogPressButton(d, button);
    if (!d.ended)
        Refuse(d, {d.problem.empty() ? "The dialog did not accept its values." : d.problem});
    else if (button == DialogOkButton(d))
        confirmed.push_back(self);
}

int RunDialog(void* dialog, const void* templateBlock, int dialogId, void* data)
{
    RunningDialog d;
    std::string error;
    if (!ReadDialogFromBlock(templateBlock, dialogId, &d.layout, &error)) {
        HostState().dialogRefused = true;
        HostShowMessage("error", "", DialogHostText("Dialog " + std::to_string(dialogId) + " cannot be shown: " + error).c_str());
        return 0;
    }
    if (data == nullptr && d.layout.dataSize > 0) {
        HostState().dialogRefused = true;
        HostShowMessage("error", "",
                        DialogHostText("Dialog " + std::to_string(dialogId) + " cannot be shown: it has no data record").c_str());
        return 0;
    }
    d.data = static_cast<unsigned char*>(data);
    d.title = d.layout.title;
    d.width = d.layout.width;
    d.height = d.layout.height;
    d.state.resize(d.layout.controls.size());
    for (int n = 1; n <= d.count(); ++n) {
        d.at(n).enabled = !d.control(n).disabledInTemplate();
        if (d.control(n).kind != DialogControlKind::Input)
            d.at(n).text = d.control(n).text;
    }

    // Without an object of its own the dialog runs over the host's base.
    WDialogBase standIn{HostDialogBaseVtable(), {}};
    d.object = dialog != nullptr ? dialog : &standIn;
    LatitudeCheckDialogBase(d.object, "when HostRunDialog (24007) got the object");
    DialogAttachment attachment(d);
    LatitudeCheckDialogTable(d.object);

    DIALOG_VIRTUAL(d, DlgTransfer, 0);
    DIALOG_VIRTUAL(d, DlgOnInit);
    if (!d.ended) {
        bool scripted = !Interactive();
        if (!scripted) {
            d.interactive = true;
            std::string why;
            if (!RunDialogInTerminal(d, &why)) {
                d.interactive = false;
                HostShowMessage("error", "", DialogHostText("The terminal cannot show the dialog (" + why +
                                                        "); it is answered as in batch mode.").c_str());
                scripted = true;
            }
        }
        if (scripted)
            RunScripted(d, dialogId);
    }
    DIALOG_VIRTUAL(d, DlgOnClose, d.result);
    LatitudeCheckDialogBase(d.object, "when HostRunDialog (24007) ended");
    return LatitudeLow16(d.result & 0xFFFF);
}

} // namespace

namespace tomiva {

// A dialog that cannot be shown (its template refused, memory short) gives
// 0, no button, and counts as refused: the command it belonged to ran nothing.
int HOST_CONV_CDECL HostRunDialog(void* dialog, const void* templateBlock, int dialogId, void* data, int /*reserved*/)
{
    LatitudeEntered();
    constexpr int kNotShown = -1;
    const int result = HostEntryGuard(kNotShown, [&] { return RunDialog(dialog, templateBlock, dialogId, data); });
    if (result != kNotShown)
        return result;
    HostState().dialogRefused = true;
    return 0;
}

} // namespace tomiva
