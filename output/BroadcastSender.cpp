#include <winsock2.h>
#include <ws2tcpip.h>
#include "output/BroadcastSender.h"
#include "rows/Datagram.h"

namespace orlix {

namespace {

void SendBroadcasts(BroadcastQueue& q)
{
    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    BOOL on = TRUE;
    if (sock)
        ::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                     sizeof(on));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(kBroadcastPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    HANDLE wait[2] = { q.wake.get(), q.signals.stop.get() };
    for (;;) {
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0 + 1)
            break;
        if (r != WAIT_OBJECT_0)
            continue;
        std::deque<std::wstring> texts;
        {
            fw::CsLock lock(q.cs);
            texts.swap(q.texts);
        }
        for (const auto& text : texts) {
            char datagram[kDatagramBytes];
            EncodeDatagram(text, datagram);
            if (sock)
                ::sendto(sock.get(), datagram, sizeof(datagram), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        }
    }
}

} // namespace

bool BroadcastSender::Start()
{
    BroadcastQueue* q = m_queue.get();
    return fw::StartWorker(m_queue, q->signals, [q] { SendBroadcasts(*q); });
}

void BroadcastSender::Send(std::wstring_view text)
{
    {
        fw::CsLock lock(m_queue->cs);
        m_queue->texts.emplace_back(text);
    }
    ::SetEvent(m_queue->wake.get());
}

} // namespace orlix
