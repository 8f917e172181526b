#pragma once

#include "device/Commands.h"

#include <QByteArray>
#include <initializer_list>

// Byte strings for expectations: from a list of values, or the first n bytes of a reply.
inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

inline QByteArray bytes(const cmd::ReplyBuffer &reply, int n)
{
    return QByteArray(reinterpret_cast<const char *>(reply.data()), n);
}
