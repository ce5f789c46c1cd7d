#pragma once

// Texts of the updater's status label (the window is normally hidden; the exit code is what the
// caller sees). Each is also written to the debug channel.
namespace status
{
constexpr const char* kRunning = "更新中，请勿退出程式!";
constexpr const char* kSuccess = "更新成功！";
constexpr const char* kDeviceLost = "错误！请重启程式!";
constexpr const char* kAddressFailed = "写入地址失败！";
constexpr const char* kDataFailed = "写入AP数据失败！";
constexpr const char* kCrcFailed = "CRC校验失败！";
constexpr const char* kEraseFailed = "清空失败！";
constexpr const char* kWriteFailed = "写入失败！";
constexpr const char* kVerifyFailed = "校验失败！";
} // namespace status
