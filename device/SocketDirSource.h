#pragma once

#include "device/DeviceSource.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Simulated devices: the listening sockets <id>.sock in the socket backend's directory,
// followed with inotify while the directory exists and can be trusted. Until then its parent
// is watched for it to appear (or to be made trustworthy); only without a parent to watch is
// it rescanned once a second. A socket is reported once its server listens: the file appears
// at bind(), a moment before listen(), and nothing tells of the listen().
class SocketDirSource : public DeviceSource
{
public:
    // A socket younger than ListenGraceMs that refuses connections is looked at again every
    // ListenRetryMs; an older one is reported all the same (a stale socket nobody serves).
    static constexpr int ListenRetryMs = 5;
    static constexpr int ListenGraceMs = 1000;

    // Empty: the socket backend's default directory.
    explicit SocketDirSource(QString directory = QString());
    ~SocketDirSource() override;
    SocketDirSource(const SocketDirSource &) = delete;
    SocketDirSource &operator=(const SocketDirSource &) = delete;

    QString directory() const { return directory_; }

    bool simulated() const override { return true; }
    bool eventDriven() const override { return watch_ >= 0 || parentWatch_ >= 0; }
    int lookAgainMs() const override { return notListening_ ? ListenRetryMs : -1; }
    void descriptors(std::vector<pollfd> &fds) override;
    bool drain() override;
    std::vector<Seen> scan() override;

private:
    void unwatch(int &watch);

    QString directory_;
    QByteArray parent_, name_; // the directory's parent and its name there
    int inotify_ = -1;
    int watch_ = -1;
    int parentWatch_ = -1;              // only while the directory itself is not watched
    std::vector<QByteArray> listening_; // stamps of the sockets found listening
    bool notListening_ = false;         // the last look held a young socket back
};
