// Helpers of the transport tests under Wine: files in the test's folder,
// loopback probes and a look at Linux processes through Z:\proc.
#pragma once

#include "win_include.h"

#include <string>

namespace velora_transport_test {

// The folder of the test program, without a trailing backslash.
std::wstring TestDir();
bool WriteFileText(const std::wstring& path, const std::string& text);
bool ReadFileText(const std::wstring& path, std::string* text);
void DeleteTreeForTest(const std::wstring& dir);
// The Unix path of a Windows path (Wine), empty when there is none.
std::string UnixPathOf(const std::wstring& path);
// file:// address of a Windows path, for the Linux Chromium.
std::string FileUrl(const std::wstring& path);
// True when something accepts a TCP connection on 127.0.0.1:port.
bool PortAccepts(int port);
// Linux processes (read from Z:\proc) that run with
// --user-data-dir=<the Unix path of user_data_dir> as one argument.
int CountProcessesWithProfile(const std::wstring& user_data_dir);
// Sends SIGKILL to the Linux process (a Wine process included) that has
// `argument` as one whole argument of its command line. False when none does.
bool KillUnixProcessWithArgument(const std::string& argument);
// Sends SIGKILL to the browser process of the Chromium that runs with this
// user-data folder (its helpers, which have a --type= argument, are left to
// end with it). False unless exactly one matches.
bool KillChromiumOfProfile(const std::wstring& user_data_dir);
// Starts this program again with the arguments; the caller closes the handles.
PROCESS_INFORMATION StartChild(const std::wstring& arguments);

}  // namespace velora_transport_test
