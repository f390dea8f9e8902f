#include "common/result.h"

namespace {

constexpr ResultInfo kResults[] = {
    {kOk, "Ok", "success", "nothing"},
    {kSerialOpenFailed, "SerialOpenFailed",
     "serial device cannot be opened or configured, refuses a speed, or the loader's answer to "
     "the speed change is missing or not 7 bytes long",
     "check the device path, its permissions (dialout group) and that no other program holds it"},
    {kSerialTimeout, "SerialTimeout", "serial read timed out", "check the cable and the speed"},
    {kSerialLineError, "SerialLineError",
     "the serial port reported an error while waiting for a byte (device gone?)",
     "check that the adapter is still plugged in"},
    {kSerialBadEscape, "SerialBadEscape", "serial frame: DLE followed by an unexpected byte",
     "line noise; try a lower speed"},
    {kSerialBadCheck, "SerialBadCheck", "serial frame: check byte mismatch",
     "line noise; try a lower speed"},
    {kSerialFrameTooLong, "SerialFrameTooLong", "serial frame longer than the receive buffer",
     "line noise; try a lower speed"},
    {kSerialWriteFailed, "SerialWriteFailed", "serial write failed or incomplete",
     "check the adapter and its flow control"},
    {kNetFailure, "NetFailure", "network failure (socket, send or receive)",
     "check the network interface and the probe's address"},
    {kNetTimeout, "NetTimeout", "network receive timed out", "check the probe's address"},
    {kNoAnswer, "NoAnswer", "no answer from the loader",
     "check the channel, the cable and that the probe is powered and in its loader"},
    {kBadChannel, "BadChannel",
     "bad channel name, host name that does not resolve or resolves to 255.255.255.255, or "
     "request too long",
     "check the port or address you chose"},
    {kNoChannel, "NoChannel", "no channel open", "connect first"},
    {kReplyTooLong, "ReplyTooLong", "reply longer than the caller's buffer",
     "the probe answered unexpectedly; reconnect"},
    {kWrongReply, "WrongReply",
     "reply of the wrong command or length, or no answer at the loader's new serial speed",
     "reconnect; if it persists, try a lower speed"},
    {kInvalidImage, "InvalidImage", "invalid firmware image, or no image file",
     "put a valid VXQSWDFW.nnn image beside the program"},
    {kLoaderNotReady, "LoaderNotReady", "the probe answered the loader query with 'r'",
     "reconnect; the probe is not in its loader yet"},
    {kEraseFailed, "EraseFailed", "the loader reported that an erase failed",
     "retry; the probe's flash may be worn"},
    {kProgramFailed, "ProgramFailed", "the loader reported that programming failed",
     "erase the flash, then retry"},
    {kIllegalData, "IllegalData",
     "setup record read back differs, or illegal data in the boot or loader sectors",
     "retry; if it persists the probe needs service"},
    {kConfigFileBad, "ConfigFileBad",
     "configuration file cannot be opened, or is 65,536 bytes or longer",
     "check the configuration file's name and size"},
    {kRegisterFileBad, "RegisterFileBad",
     "a register file named in the configuration file cannot be opened, or the register files "
     "reach 65,536 bytes",
     "check the FILE entries of the [REGS] section"},
};

}  // namespace

const ResultInfo* FindResultInfo(ResultCode code) {
    for (const ResultInfo& info : kResults)
        if (info.code == code) return &info;
    return nullptr;
}

const char* ResultMeaning(ResultCode code) {
    const ResultInfo* info = FindResultInfo(code);
    return info ? info->meaning : "unknown result code";
}

const ResultInfo* ResultTable(int& count) {
    count = static_cast<int>(sizeof kResults / sizeof kResults[0]);
    return kResults;
}
