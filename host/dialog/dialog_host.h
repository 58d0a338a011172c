// The host's dialogs as the rest of the host and its tests see them: the
// dialog base class's virtual table and the slot order in which objects
// derived from it list its operations.  (Scripted answers, Cancel and the
// refusal live in the session, HostState().)  The plug-in never sees this
// header.
#pragma once

// Virtual table slots of WDialogBase: 0 the class's deleting destructor,
// then the base's operations in this order.  kDialogBaseSlotEntries gives the
// host entry number behind each slot (0 for slot 0).
enum DialogSlot : int {
    kDialogSlot_DeletingDestructor,
    kDialogSlot_DlgOnInit,
    kDialogSlot_DlgOnClose,
    kDialogSlot_DlgOnKey,
    kDialogSlot_DlgOnCommand,
    kDialogSlot_DlgOnFocus,
    kDialogSlot_DlgOnBlur,
    kDialogSlot_DlgOnChange,
    kDialogSlot_DlgOnIdle,
    kDialogSlot_DlgOnHelp,
    kDialogSlot_DlgValidate,
    kDialogSlot_DlgTransfer,
    kDialogSlot_DlgDraw,
    kDialogSlot_DlgDrawControl,
    kDialogSlot_DlgEnableControl,
    kDialogSlot_DlgIsEnabled,
    kDialogSlot_DlgSetText,
    kDialogSlot_DlgGetText,
    kDialogSlot_DlgSetCheck,
    kDialogSlot_DlgGetCheck,
    kDialogSlot_DlgSetFocus,
    kDialogSlot_DlgGetFocus,
    kDialogSlot_DlgEndDialog,
    kDialogSlot_DlgFindControl,
    kDialogSlot_DlgControlCount,
    kDialogSlot_DlgGetData,
    kDialogSlot_DlgSetData,
    kDialogSlot_DlgSetTitle,
    kDialogSlot_DlgGetTitle,
    kDialogSlot_DlgMove,
    kDialogSlot_DlgResize,
    kDialogSlot_DlgBeep,
    kDialogSlot_DlgRefresh,
    kDialogSlot_DlgIsModified,
    kDialogSlot_DlgSetModified,
    kDialogSlotCount
};
extern const int kDialogBaseSlotEntries[kDialogSlotCount];

// A virtual table whose operations are all the host's own (slot 0 runs the
// base destructor and frees nothing): for a dialog run without an object of
// the plug-in's, and for tests.
const void* const* HostDialogBaseVtable();
