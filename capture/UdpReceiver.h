// The broadcast receiver: takes the datagrams of other viewers on UDP port
// 5050 while receiving is switched on and queues each as a line of no
// process (pid 0) in the capture's FIFO.
#pragma once
#include "capture/WorkerShared.h"
#include <memory>

namespace orlix {

// Starts the receiver as worker kBroadcastReceive; false when no thread
// could be made (its done is set at once).
bool StartBroadcastReceiver(const std::shared_ptr<WorkerShared>& s);

} // namespace orlix
