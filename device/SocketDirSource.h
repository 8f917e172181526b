#pragma once

#include "device/DeviceSource.h"

#include <QString>

// Simulated devices: the listening sockets <id>.sock in the socket backend's directory,
// followed with inotify while the directory exists and can be trusted, rescanned once a
// second otherwise (until it appears).
class SocketDirSource : public DeviceSource
{
public:
    // Empty: the socket backend's default directory.
    explicit SocketDirSource(QString directory = QString());
    ~SocketDirSource() override;
    SocketDirSource(const SocketDirSource &) = delete;
    SocketDirSource &operator=(const SocketDirSource &) = delete;

    QString directory() const { return directory_; }

    bool simulated() const override { return true; }
    bool eventDriven() const override { return watch_ >= 0; }
    void descriptors(std::vector<pollfd> &fds) override;
    bool drain() override;
    std::vector<Seen> scan() override;

private:
    QString directory_;
    int inotify_ = -1;
    int watch_ = -1;
};
