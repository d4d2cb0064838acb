#pragma once
// The values the engine's named events carry.

// A device as the link knows it now.
enum class DeviceState {
    Unknown, // not asked since the port opened
    Ok,      // answers, and its values are fresh
    Ng,      // does not answer, answers only garbage, or its values are stale
};

// How an upload or download ended.
enum class TransferResult {
    Done,
    NotStarted, // the device was no longer selected, or does not answer
    NoAnswer,   // the device stopped answering part-way
    Refused,    // the device refused a block (an exception answer)
    Stopped,    // the port closed, or a block could not be built
};
