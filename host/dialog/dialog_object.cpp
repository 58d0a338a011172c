// The host's part of a dialog object (WDialogBase::hostData): a mark that the
// base constructor ran, or that a dialog runs over the object, and the
// running dialog.  The base's constructor (20902) and destructor (20903) set
// it up and clear it; a run hangs its dialog there and gives the part back
// afterwards.
#include <cstdint>
#include <cstring>

#include "host/dialog/dialog_state.h"
#include "host/services/host_latitude.h"

namespace {

constexpr uint32_t kBaseMark = 0x474C4457; // "WDLG"
constexpr std::size_t kMarkAt = 0;
constexpr std::size_t kRunningAt = 8;
// What the host keeps of its part; the host with larger blocks fills the rest.
constexpr std::size_t kHostPartUsed = kDialogHostPartUsed;
static_assert(kRunningAt + sizeof(void*) == kHostPartUsed && kHostPartUsed <= kDialogBaseHostDataSize);

WDialogBase* Base(void* self) { return static_cast<WDialogBase*>(self); }

void SetRunning(void* self, RunningDialog* d)
{
    std::memcpy(Base(self)->hostData + kMarkAt, &kBaseMark, sizeof kBaseMark);
    std::memcpy(Base(self)->hostData + kRunningAt, &d, sizeof d);
}

} // namespace

DialogAttachment::DialogAttachment(RunningDialog& d) : object_(d.object)
{
    std::memcpy(saved_, Base(object_)->hostData, sizeof saved_);
    SetRunning(object_, &d);
}

DialogAttachment::~DialogAttachment() { std::memcpy(Base(object_)->hostData, saved_, sizeof saved_); }

void LatitudeCheckDialogBase(void* self, const char* where)
{
    uint32_t mark = 0;
    if (self != nullptr)
        std::memcpy(&mark, Base(self)->hostData + kMarkAt, sizeof mark);
    // Only a part the base's constructor built is the host's whole.
    if (mark == kBaseMark)
        LatitudeCheckBlockWhole("dialog base part (WDialogBase)", Base(self)->hostData, kDialogBaseHostDataSize,
                                kHostPartUsed, where);
}

RunningDialog* RunningDialogOf(void* self)
{
    if (self == nullptr)
        return nullptr;
    uint32_t mark = 0;
    std::memcpy(&mark, Base(self)->hostData + kMarkAt, sizeof mark);
    if (mark != kBaseMark)
        return nullptr;
    RunningDialog* d = nullptr;
    std::memcpy(&d, Base(self)->hostData + kRunningAt, sizeof d);
    return d;
}

namespace tomiva {

void* HOST_CONV_THISCALL WDialogBaseConstruct(void* self)
{
    LatitudeEntered();
    if (self != nullptr) {
        std::memset(Base(self)->hostData, 0, kHostPartUsed);
        SetRunning(self, nullptr);
        LatitudeFillBlockWhole(Base(self)->hostData, kDialogBaseHostDataSize, kHostPartUsed);
    }
    return self;
}

int HOST_CONV_THISCALL WDialogBaseDestroy(void* self)
{
    LatitudeEntered();
    if (self == nullptr)
        return 0;
    LatitudeCheckDialogBase(self, "at the base's destructor (20903)");
    std::memset(Base(self)->hostData, 0, kHostPartUsed);
    return 1;
}

} // namespace tomiva
