// What the three exports decide, over the answers of the platform probes.
// The exports (exports_win.cpp) pass the real probes; the tests pass fakes.
//
//   SSOSign(token)     stores the caller's thread pseudo-handle in slot 0 and
//                      returns it when the token matches this PC's handshake
//                      token (ASCII case ignored), null otherwise.
//   CafeTest(handle)   0 not a managed cafe, 1 managed cafe, 2 Ombra.
//   GetOVBarId(t, out) 1: the bar id as decimal text; 2: the spreader text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace veyra {

using HandleValue = std::uintptr_t;

constexpr size_t kBarIdBufferSize = 260;

enum CafeResult : int32_t { kNotCafe = 0, kManagedCafe = 1, kOmbraEnv = 2 };

// The diagnostic lines of the exports.
extern const wchar_t kLineTokenAccepted[];
extern const wchar_t kLineTokenRejected[];
extern const wchar_t kLineHandleRejected[];
extern const wchar_t kLineHandleAccepted[];
extern const wchar_t kLineBarIdFound[];
extern const wchar_t kLineNoClientProcess[];
extern const wchar_t kLineSignerAccepted[];
extern const wchar_t kLineSignerRejected[];

extern const wchar_t kTallowviewExe[];     // L"Tallowview.exe"
extern const wchar_t kQuillonClientExe[];  // L"QuillonClient.exe"

// The platform as the exports see it.
class CafeEnvironment {
 public:
  virtual ~CafeEnvironment() = default;
  // One diagnostic line (debugger output).
  virtual void DebugLine(const wchar_t* line) = 0;
  // Creates the process-wide bar-client server link when it does not exist.
  virtual void EnsureServerLink() = 0;
  // The calling thread's pseudo-handle: a constant, non-null value.
  virtual HandleValue CallerThreadHandle() = 0;
  // This PC's handshake token.
  virtual std::string HandshakeToken() = 0;
  // The bar id from the bar-client server, with COM initialised on the
  // calling thread for the call; 0 when there is none.
  virtual uint32_t ServerBarId() = 0;
  // The bar id from the registry value or the client's data file; 0 if none.
  virtual uint32_t FallbackBarId() = 0;
  // A running process by file name (case ignored): true when found; `path`
  // then holds its executable path (empty when it cannot be read).
  virtual bool FindRunningProcess(const wchar_t* name, std::wstring* path) = 0;
  // The subject name of the file's Authenticode signer, empty when it cannot
  // be read.
  virtual std::wstring SignerSubject(const std::wstring& file) = 0;
  // 2 when the Ombra library reports its environment, 0 otherwise.
  virtual int32_t ProbeOmbraEnv() = 0;
  // Asks the Ombra library for the spreader text; true when it wrote it into
  // `buffer` (`size` bytes, zero-filled beforehand).
  virtual bool QuerySpreader(char* buffer, size_t size) = 0;
};

// The process-wide handle table: slot number to handle value. Only slot 0 is
// used. Not locked: SSOSign must have returned before another thread calls
// CafeTest.
class HandleTable {
 public:
  void Set(int32_t slot, HandleValue value) { slots_[slot] = value; }
  bool Empty() const { return slots_.empty(); }
  // The value of the lowest slot; the table must not be empty.
  HandleValue Lowest() const { return slots_.begin()->second; }

 private:
  std::map<int32_t, HandleValue> slots_;
};

// True when `given` equals `expected` ignoring the case of ASCII letters; a
// null `given` never matches.
bool TokenMatches(const char* given, const std::string& expected);

HandleValue SSOSign(CafeEnvironment& env, HandleTable& table, const char* token);
int32_t CafeTest(CafeEnvironment& env, const HandleTable& table, HandleValue handle);
// `out` must hold kBarIdBufferSize bytes; it is written (all of them) only
// when the result is true.
bool GetOVBarId(CafeEnvironment& env, int32_t type, char* out);

}  // namespace veyra
