#include "device/VirtualUsbApi.h"

// Placeholder until the socket backend lands: reports no devices.
VirtualUsbApi::VirtualUsbApi(QString directory) : directory_(std::move(directory)) {}
VirtualUsbApi::~VirtualUsbApi() = default;
QString VirtualUsbApi::defaultDirectory()
{
    return QString();
}
int VirtualUsbApi::getNumDevices(std::uint32_t *count)
{
    *count = 0;
    return 0;
}
int VirtualUsbApi::getProductString(std::uint32_t, char *, std::uint32_t)
{
    return 1;
}
int VirtualUsbApi::open(std::uint32_t, Handle *)
{
    return 1;
}
int VirtualUsbApi::close(Handle)
{
    return 1;
}
int VirtualUsbApi::read(Handle, std::uint8_t *, std::uint32_t, std::uint32_t *)
{
    return 1;
}
int VirtualUsbApi::write(Handle, const std::uint8_t *, std::uint32_t, std::uint32_t *)
{
    return 1;
}
int VirtualUsbApi::flushBuffers(Handle, std::uint8_t, std::uint8_t)
{
    return 1;
}
int VirtualUsbApi::setTimeouts(std::uint32_t r, std::uint32_t w)
{
    readTimeout_ = r;
    writeTimeout_ = w;
    return 0;
}
int VirtualUsbApi::getTimeouts(std::uint32_t *r, std::uint32_t *w)
{
    *r = readTimeout_;
    *w = writeTimeout_;
    return 0;
}
int VirtualUsbApi::checkRxQueue(Handle, std::uint32_t *, std::uint32_t *)
{
    return 1;
}
