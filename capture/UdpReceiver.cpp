#include <winsock2.h>
#include <ws2tcpip.h>
#include "capture/UdpReceiver.h"
#include "rows/Datagram.h"
#include "rows/Utf8Text.h"
#include "framework/Text.h"

namespace orlix {

namespace {

void ReceiveBroadcasts(WorkerShared& s)
{
    HANDLE stop = s.workers[kBroadcastReceive].stop.get();
    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (sock) {
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_port = htons(kBroadcastPort);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        ::bind(sock.get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local));
    }
    char buf[kDatagramBytes];
    for (;;) {
        if (::WaitForSingleObject(stop, 25) == WAIT_OBJECT_0)
            break;
        if (!s.broadcastRecv.load() || !sock)
            continue;
        // Never block without a bound: a stop is taken within ~25 ms.
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock.get(), &readable);
        timeval tv = { 0, 25000 };
        if (::select(0, &readable, nullptr, nullptr, &tv) != 1)
            continue;
        memset(buf, 0, sizeof(buf));
        int got = ::recvfrom(sock.get(), buf, sizeof(buf), 0, nullptr, nullptr);
        if (got <= 0)
            continue; // empty, failed, or longer than a datagram of ours
        // Through the same ordered FIFO as the debug channel: a busy
        // window delays a datagram, never loses it.
        DebugLine line;
        line.text = s.decodeUtf8.load()
                        ? DecodeDatagram(buf, static_cast<size_t>(got),
                                         [](std::string_view b) {
                                             return DecodeNarrowText(b, true, fw::WideFromAnsi);
                                         })
                        : DecodeDatagram(buf, static_cast<size_t>(got));
        if (!QueueLine(s, kBroadcastReceive, std::move(line)))
            break;
    }
}

} // namespace

bool StartBroadcastReceiver(const std::shared_ptr<WorkerShared>& s)
{
    WorkerShared* shared = s.get();
    return fw::StartWorker(s, s->workers[kBroadcastReceive],
                           [shared] { ReceiveBroadcasts(*shared); });
}

} // namespace orlix
