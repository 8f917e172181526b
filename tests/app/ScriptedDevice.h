#pragma once

#include "sim/ModelUsbApi.h"
#include "device/Commands.h"

#include <QByteArray>
#include <QMap>
#include <QSet>
#include <optional>

// A device answering by command code, with info blocks and failures set per test.
struct ScriptedDevice {
    QByteArray settings = QByteArray(cmd::SettingsBytes, '\0');
    std::uint8_t flags = 0;
    QMap<int, QByteArray> infoBlocks; // index -> data after the echo byte
    QSet<int> silentInfoBlocks;

    std::optional<QByteArray> answer(const QByteArray &request) const
    {
        if (request.size() < 3)
            return std::nullopt;
        const auto code = std::uint8_t(request[2]);
        const auto count = std::uint8_t(request[1]);
        if (std::uint8_t(request[0]) == cmd::DirRead && code == cmd::SettingsRead)
            return QByteArray(1, char(cmd::SettingsRead)) + char(flags) + settings;
        if (std::uint8_t(request[0]) == cmd::DirRead && code == cmd::InfoBlockRead) {
            const int index = request.size() > 3 ? std::uint8_t(request[3]) : -1;
            if (silentInfoBlocks.contains(index))
                return std::nullopt;
            QByteArray reply = QByteArray(1, char(cmd::InfoBlockRead)) + infoBlocks.value(index);
            if (reply.size() < count)
                reply.append(QByteArray(count - reply.size(), '\0'));
            return reply;
        }
        if (std::uint8_t(request[0]) == cmd::DirRead && code == cmd::EdidData)
            return QByteArray(cmd::EdidReadChunk, '\0');
        return QByteArray(1, char(code)) + '\0';
    }

    void attachTo(ModelUsbApi &usb) const
    {
        usb.devices = {{"2023"}};
        usb.responder = [this](const QByteArray &request) { return answer(request); };
    }
};
