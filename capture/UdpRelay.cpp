// The two halves of the UDP relay: the sender broadcasts the lines the view
// queues; the receiver hands each datagram to the view as WM_SETTEXT.
#include <winsock2.h>
#include <ws2tcpip.h>
#include "capture/OrlixView.h"
#include "capture/WorkerShared.h"
#include "capture/Datagram.h"
#include "capture/Utf8Text.h"
#include "framework/Text.h"

using orlix::WorkerShared;

namespace {

void SendBroadcasts(WorkerShared& s)
{
    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    BOOL on = TRUE;
    if (sock)
        ::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                     sizeof(on));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(orlix::kBroadcastPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    HANDLE wait[2] = { s.broadcastEvent.get(), s.stopEvents[orlix::kBroadcastSend].get() };
    for (;;) {
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0 + 1)
            break;
        if (r != WAIT_OBJECT_0)
            continue;
        std::deque<std::wstring> texts;
        {
            fw::CsLock lock(s.csBroadcast);
            texts.swap(s.broadcastQueue);
        }
        for (const auto& text : texts) {
            char datagram[orlix::kDatagramBytes];
            orlix::EncodeDatagram(text, datagram);
            if (sock)
                ::sendto(sock.get(), datagram, sizeof(datagram), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        }
    }
}

} // namespace

DWORD WINAPI BroadcastSendThread(LPVOID param)
{
    return orlix::RunWorker(param, orlix::kBroadcastSend, SendBroadcasts);
}

namespace {

void ReceiveBroadcasts(WorkerShared& s)
{
    HANDLE stop = s.stopEvents[orlix::kBroadcastReceive].get();
    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (sock) {
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_port = htons(orlix::kBroadcastPort);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        ::bind(sock.get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local));
    }
    char buf[orlix::kDatagramBytes];
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
        orlix::DebugLine line;
        line.text = s.decodeUtf8.load()
                        ? orlix::DecodeDatagram(buf, static_cast<size_t>(got),
                                                [](std::string_view b) {
                                                    return orlix::DecodeNarrowText(
                                                        b, true, fw::WideFromAnsi);
                                                })
                        : orlix::DecodeDatagram(buf, static_cast<size_t>(got));
        if (!orlix::QueueLine(s, orlix::kBroadcastReceive, std::move(line)))
            break;
    }
}

} // namespace

DWORD WINAPI BroadcastReceiveThread(LPVOID param)
{
    return orlix::RunWorker(param, orlix::kBroadcastReceive, ReceiveBroadcasts);
}
