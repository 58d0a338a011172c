/*
 * The one list of host entries.
 *
 * Every service of the host module "TOMIVA" that the plug-in uses is one line
 * here, in slot order:
 *
 *   HOST_ENTRY(number, name, convention, argc, result, (parameters))
 *
 *   number      the entry's number in the host module (looked up by number only)
 *   name        the name the plug-in's code calls it by
 *   convention  STDCALL  - the entry removes its own arguments
 *               CDECL    - the caller removes them (every variadic entry)
 *               THISCALL - a method of the host's dialog base class; the
 *                          object is the first parameter (ECX on i386)
 *   argc        number of fixed parameters, the object included
 *   result      the C type of the result
 *   parameters  the C parameter list
 *
 * The order of the THISCALL lines is the layout of the dialog base class's
 * virtual table: each of them but the base's constructor and destructor is
 * the next slot (contract/dialog_base.h).  The order is ABI law: two such
 * lines swapped still build, and plug-in and tomiva still agree with each
 * other, but no longer with the host program whose table this is.
 *
 * This file is included several times with different definitions of
 * HOST_ENTRY (declarations, slot table, call and bind-and-call routines,
 * fallbacks, the host's export table, the checks that host and plug-in agree)
 * and therefore has no include guard.  It must stay valid for the C
 * preprocessor alone, since assembler sources include it too.
 */

HOST_ENTRY(52028, HostMessageBox,       STDCALL,  3, int,   (const char* title, const char* text, int flags))
HOST_ENTRY(52029, HostMessageBoxF,      CDECL,    3, int,   (const char* title, const char* format, int flags, ...))
HOST_ENTRY(52158, HostRecode,           STDCALL,  4, int,   (char* text, const char* source, int fromSet, int toSet))
HOST_ENTRY(21285, HostAllocClear,       CDECL,    2, void*, (int count, int size))
HOST_ENTRY(21287, HostFree,             CDECL,    1, int,   (void* block))
HOST_ENTRY(21284, HostAlloc,            CDECL,    1, void*, (int size))
HOST_ENTRY(41399, HostIniAccess,        CDECL,    5, int,   (const char* file, int mode, const char* section, const char* key, const char* format, ...))
HOST_ENTRY(32300, HostGetModeFlags,     STDCALL,  0, int,   (void))
HOST_ENTRY(32408, HostSetModeFlags,     STDCALL,  2, int,   (int mask, int set))
HOST_ENTRY(30204, HostToday,            STDCALL,  1, int,   (char* date))
HOST_ENTRY(30520, HostUnpackDate,       STDCALL,  5, int,   (const char* date, int16_t* year, int16_t* month, int16_t* day, int reserved))
HOST_ENTRY(30908, HostCompareDates,     STDCALL,  2, int,   (const char* a, const char* b))
HOST_ENTRY(31708, HostAddDays,          STDCALL,  2, int,   (char* date, int days))
HOST_ENTRY(52081, HostRegisterPlugin,   STDCALL,  1, int,   (const void* descriptor))
HOST_ENTRY(52082, HostReleaseCommand,   STDCALL,  1, int,   (int command))
HOST_ENTRY(38400, HostLineBuffer,       STDCALL,  0, char*, (void))
HOST_ENTRY(52023, HostNotice,           CDECL,    4, int,   (int kind, int16_t* flag, int reserved, const char* text))
HOST_ENTRY(35804, HostMessageBoxV,      STDCALL,  5, int,   (int owner, const char* title, const char* format, int flags, va_list args))
HOST_ENTRY(52030, HostErrorMessage,     STDCALL,  1, int,   (const char* text))
HOST_ENTRY(52130, HostInsertChar,       STDCALL,  2, int,   (char* position, int character))
HOST_ENTRY(52133, HostTrimText,         STDCALL,  1, int,   (char* text))
HOST_ENTRY(40404, HostNormalizeName,    STDCALL,  1, int,   (char* text))
HOST_ENTRY(52161, HostCopyField,        STDCALL,  3, int,   (char* destination, const char* source, int max))
HOST_ENTRY(35387, HostConvertText,      STDCALL,  6, int,   (char* destination, int destinationSize, const char* source, int sourceLength, int fromSet, int toSet))
HOST_ENTRY(21281, HostRealloc,          CDECL,    2, int,   (void** block, int size))
HOST_ENTRY(52534, HostOpenFile,         STDCALL,  5, void*, (const char* path, const char* mode, int share, int reserved, int access))
HOST_ENTRY(52305, HostCloseFile,        STDCALL,  1, int,   (void* file))
HOST_ENTRY(52307, HostReadFile,         STDCALL,  4, int,   (void* buffer, int size, int count, void* file))
HOST_ENTRY(52308, HostWriteFile,        STDCALL,  4, int,   (const void* buffer, int size, int count, void* file))
HOST_ENTRY(20902, WDialogBaseConstruct, THISCALL, 1, void*, (void* self))
HOST_ENTRY(20903, WDialogBaseDestroy,   THISCALL, 1, int,   (void* self))
HOST_ENTRY(20967, DlgOnInit,            THISCALL, 1, int,   (void* self))
HOST_ENTRY(20958, DlgOnClose,           THISCALL, 2, int,   (void* self, int result))
HOST_ENTRY(20959, DlgOnKey,             THISCALL, 2, int,   (void* self, int key))
HOST_ENTRY(20960, DlgOnCommand,         THISCALL, 2, int,   (void* self, int id))
HOST_ENTRY(20961, DlgOnFocus,           THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20962, DlgOnBlur,            THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20963, DlgOnChange,          THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20964, DlgOnIdle,            THISCALL, 1, int,   (void* self))
HOST_ENTRY(20965, DlgOnHelp,            THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20966, DlgValidate,          THISCALL, 1, int,   (void* self))
HOST_ENTRY(20957, DlgTransfer,          THISCALL, 2, int,   (void* self, int toRecord))
HOST_ENTRY(20948, DlgDraw,              THISCALL, 1, int,   (void* self))
HOST_ENTRY(20949, DlgDrawControl,       THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20950, DlgEnableControl,     THISCALL, 3, int,   (void* self, int control, int enable))
HOST_ENTRY(20951, DlgIsEnabled,         THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20952, DlgSetText,           THISCALL, 3, int,   (void* self, int control, const char* text))
HOST_ENTRY(20953, DlgGetText,           THISCALL, 4, int,   (void* self, int control, char* buffer, int size))
HOST_ENTRY(20954, DlgSetCheck,          THISCALL, 3, int,   (void* self, int control, int checked))
HOST_ENTRY(20955, DlgGetCheck,          THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20956, DlgSetFocus,          THISCALL, 2, int,   (void* self, int control))
HOST_ENTRY(20947, DlgGetFocus,          THISCALL, 1, int,   (void* self))
HOST_ENTRY(20938, DlgEndDialog,         THISCALL, 2, int,   (void* self, int result))
HOST_ENTRY(20939, DlgFindControl,       THISCALL, 2, int,   (void* self, int id))
HOST_ENTRY(20940, DlgControlCount,      THISCALL, 1, int,   (void* self))
HOST_ENTRY(20941, DlgGetData,           THISCALL, 1, void*, (void* self))
HOST_ENTRY(20942, DlgSetData,           THISCALL, 2, int,   (void* self, void* data))
HOST_ENTRY(20943, DlgSetTitle,          THISCALL, 2, int,   (void* self, const char* title))
HOST_ENTRY(20944, DlgGetTitle,          THISCALL, 1, const char*, (void* self))
HOST_ENTRY(20945, DlgMove,              THISCALL, 3, int,   (void* self, int x, int y))
HOST_ENTRY(20946, DlgResize,            THISCALL, 3, int,   (void* self, int width, int height))
HOST_ENTRY(20937, DlgBeep,              THISCALL, 1, int,   (void* self))
HOST_ENTRY(24002, DlgRefresh,           THISCALL, 1, int,   (void* self))
HOST_ENTRY(24003, DlgIsModified,        THISCALL, 1, int,   (void* self))
HOST_ENTRY(24004, DlgSetModified,       THISCALL, 2, int,   (void* self, int modified))
HOST_ENTRY(24007, HostRunDialog,        CDECL,    5, int,   (void* dialog, const void* templateBlock, int dialogId, void* data, int reserved))
HOST_ENTRY(52228, HostProgressOpen,     STDCALL,  1, int,   (int kind))
HOST_ENTRY(52230, HostProgressClose,    STDCALL,  0, int,   (void))
HOST_ENTRY(52233, HostProgressText,     STDCALL,  2, int,   (const char* detail, const char* heading))
HOST_ENTRY(52234, HostProgressUpdate,   STDCALL,  0, int,   (void))
HOST_ENTRY(52015, HostAppendPath,       STDCALL,  2, int,   (char* path, const char* name))
HOST_ENTRY(52016, HostDataDirectory,    STDCALL,  0, const char*, (void))
HOST_ENTRY(51594, HostInterfaceVersion, STDCALL,  0, int,   (void))
HOST_ENTRY(52256, HostOpenTable,        STDCALL,  1, void*, (int table))
HOST_ENTRY(52260, HostContractorKey,    STDCALL,  0, int32_t*, (void))
HOST_ENTRY(52465, HostPrepareTable,     STDCALL,  2, int,   (void* table, int mode))
HOST_ENTRY(51425, HostLineKey,          STDCALL,  4, int,   (int lineTable, void* key, void* status, int documentKey))
HOST_ENTRY(52003, HostLineTable,        STDCALL,  1, int,   (int kind))
HOST_ENTRY(52541, HostFilePrintf,       CDECL,    2, int,   (void* file, const char* format, ...))
HOST_ENTRY(50516, HostFindLines,        STDCALL,  4, void*, (int lineTable, void* status, void* key, int* count))
HOST_ENTRY(52461, HostReadSettings,     STDCALL,  4, int,   (int firm, int block, void* buffer, int size))
HOST_ENTRY(52327, HostReleaseLines,     STDCALL,  6, int,   (unsigned char*** lines, void** aux, int* count, int loaded, void* key, int reserved))
HOST_ENTRY(52328, HostLoadLines,        STDCALL,  6, int,   (unsigned char*** lines, void** aux, int* count, int wanted, void* key, void* list))
HOST_ENTRY(52352, HostFindContractor,   STDCALL,  1, int,   (int mode))
HOST_ENTRY(50704, HostFreeList,         STDCALL,  1, int,   (void** list))
HOST_ENTRY(52278, HostScanOpen,         STDCALL,  6, int,   (void* scan, int reserved, int kind, int from, int to, int flags))
HOST_ENTRY(52279, HostScanNext,         STDCALL,  1, int,   (void* scan))
HOST_ENTRY(52281, HostScanClose,        STDCALL,  1, int,   (void* scan))
HOST_ENTRY(52467, HostStatusFailed,     STDCALL,  1, int,   (void* status))
HOST_ENTRY(52314, HostVatRate,          STDCALL,  1, double, (int code))
