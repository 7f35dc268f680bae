#pragma once

#include <QByteArray>

// What one block exchange brought back for channels first..first+count-1,
// as read and not yet judged.
struct BlockReply {
    int first = 1;
    int count = 0;
    bool portFailed = false; // not sent, or the port failed under the wait
    QByteArray bytes;
};
