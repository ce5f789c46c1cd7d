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
// Refusals made before any device is touched.
constexpr const char* kConfigInvalid = "配置文件错误！";
constexpr const char* kImageInvalid = "固件文件错误！";
constexpr const char* kNothingToWrite = "没有可更新的固件！";
constexpr const char* kNoDevice = "未找到设备！";
constexpr const char* kWrongMode = "设备模式与固件不符！";
constexpr const char* kAmbiguousDevice = "请只连接一个设备！";
// The device did not come back running the new firmware, or the engine stopped.
constexpr const char* kNotRestarted = "设备未能启动新固件！";
constexpr const char* kNotEntered = "设备未进入更新模式！";
constexpr const char* kEngineFailed = "更新引擎错误！";
} // namespace status
