// Result codes shared by every layer. 0 is success; operations that also deliver a
// length return it as a positive value.
#pragma once

#include <cstdint>

using ResultCode = int32_t;

inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kSerialOpenFailed = -1001;
inline constexpr ResultCode kSerialTimeout = -1002;
inline constexpr ResultCode kSerialLineError = -1003;
inline constexpr ResultCode kSerialBadEscape = -1004;
inline constexpr ResultCode kSerialBadCheck = -1005;
inline constexpr ResultCode kSerialFrameTooLong = -1006;
inline constexpr ResultCode kSerialWriteFailed = -1007;
inline constexpr ResultCode kNetFailure = -1101;
inline constexpr ResultCode kNetTimeout = -1102;
inline constexpr ResultCode kNoAnswer = -1201;
inline constexpr ResultCode kBadChannel = -1202;
inline constexpr ResultCode kNoChannel = -1203;
inline constexpr ResultCode kReplyTooLong = -1204;
inline constexpr ResultCode kWrongReply = -1205;
inline constexpr ResultCode kInvalidImage = -4003;
inline constexpr ResultCode kLoaderNotReady = -4004;
inline constexpr ResultCode kEraseFailed = -4006;
inline constexpr ResultCode kProgramFailed = -4007;
inline constexpr ResultCode kIllegalData = -4008;
inline constexpr ResultCode kConfigFileBad = -4010;
inline constexpr ResultCode kRegisterFileBad = -4011;

struct ResultInfo {
    ResultCode code;
    const char* name;     // the constant's name without its k, for scripts
    const char* meaning;  // one line for the user
    const char* remedy;   // what a user can do about it
};

// The meaning of a code; "unknown result code" for a value not in the table.
const char* ResultMeaning(ResultCode code);
const ResultInfo* FindResultInfo(ResultCode code);  // nullptr when unknown

// The whole table, for documentation and listings.
const ResultInfo* ResultTable(int& count);
