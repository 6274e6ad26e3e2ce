// An Xvfb server of the test's own, for displays the shared test servers do
// not offer: another depth, a visual class, a missing extension, or a server
// in its own IPC namespace (as in a container) that cannot see our segments.
#pragma once
#include <string>
#include <vector>

struct PrivateXvfb {
  int pid = -1;
  std::string display;  // ":N", empty when the server did not start
};

// Starts `prefix... Xvfb -displayfd FD -screen 0 SCREEN -nolisten tcp extra...`
// and waits until it accepts connections.
PrivateXvfb private_xvfb_start(const std::vector<std::string>& prefix, const std::string& screen,
                               const std::vector<std::string>& extra = {});
void private_xvfb_stop(PrivateXvfb& server);

// Starts a server in a fresh IPC namespace (unshare --ipc, or inside a user
// namespace when not root). Empty display when the system allows neither.
PrivateXvfb private_xvfb_start_isolated(const std::string& screen);

// Shared-memory segments whose creator is pid (scanned with SHM_STAT).
int shm_segments_created_by(int pid);
