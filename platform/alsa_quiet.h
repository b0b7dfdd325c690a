#pragma once
// Keeps the ALSA library's messages (e.g. "cannot find card '0'" on a
// machine without sound cards) off the terminal. Main thread, before the
// first use of ALSA.

namespace tamboro {

void silenceAlsaMessages();

}  // namespace tamboro
