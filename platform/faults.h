// Injected failures of the platform's file and memory calls, for tests of
// the failure paths a real file system cannot be made to take on demand
// (a short read, a failed flush, a failed rename), and of a process that
// ends in the middle of a write-back. Nothing is injected unless a test asks
// for it.
#pragma once

#include <cstdint>

namespace tsy::platform {

// The platform calls that can be made to fail.
enum class FaultPoint {
    OpenForReading,
    GetSize,
    Allocate,  // AllocateBlock
    Read,      // ReadOnce: returns one byte fewer than asked
    ReadSome,  // ReadSome: a read error
    Create,    // CreateExclusive
    Write,     // WriteOnce: writes one byte fewer than asked
    Flush,
    RenameNoReplace,
    RenameReplace,
    Delete,
    Identify,
    InspectPath,
    OpenForUpdate,
    Lock,  // LockFile
    ResolvePath,
    Rewind,
    CopyAttributes,
    SyncFolder,
    HoldOpeners,
    ExchangeNames,
    ListFolder,  // ListFolderOf
    WaitToRead,
};

// What an injected fault does.
enum class FaultAction {
    Fail,  // the call fails with the given error code
    Exit,  // the process ends at once, as a crash would end it, before the call
};

// Makes the call at `point` fail once, with `error_code` as its last error,
// after `after_calls` further calls there have succeeded.
void InjectFault(FaultPoint point, std::uint32_t error_code, int after_calls = 0,
                 FaultAction action = FaultAction::Fail);

// Runs `happen(context)` once, just before the call at `point` that follows
// `after_calls` further calls there, which then proceeds: what another
// program does at that moment.
void InjectEvent(FaultPoint point, void (*happen)(void* context), void* context,
                 int after_calls = 0);

// Whether a fault injected at `point` has not fired yet.
bool FaultPending(FaultPoint point);

// Removes every injected fault that has not fired yet.
void ClearFaults();

// Called first by each platform call: true when it is to fail now, the last
// error then set to the injected code. Each fault fires once.
bool FaultHit(FaultPoint point);

// Sets the code LastError() returns; defined by each platform's file.cpp.
void SetLastErrorCode(std::uint32_t code);

}  // namespace tsy::platform
