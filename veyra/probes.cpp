#include "probes.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include <tlhelp32.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace veyra {

const wchar_t kOmbraLibrary[] = L"ombra4qqxw.dll";

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using ScopedSnapshot = std::unique_ptr<void, HandleCloser>;

ScopedSnapshot TakeSnapshot(DWORD flags, DWORD pid) {
  HANDLE h = CreateToolhelp32Snapshot(flags, pid);
  return ScopedSnapshot(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// What InspectSigner obtained, released on every path.
struct SignatureObjects {
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  PCCERT_CONTEXT signer_cert = nullptr;
  PCCERT_CONTEXT timestamp_cert = nullptr;
  ~SignatureObjects() {
    if (timestamp_cert) CertFreeCertificateContext(timestamp_cert);
    if (signer_cert) CertFreeCertificateContext(signer_cert);
    if (store) CertCloseStore(store, 0);
    if (message) CryptMsgClose(message);
  }
};

// Remembers the error code of the last failing platform call.
class LastError {
 public:
  void Record() {
    const DWORD error = GetLastError();
    if (error != 0) code_ = static_cast<int>(error);
  }
  int Result() const { return code_ != 0 ? code_ : -1; }

 private:
  int code_ = 0;
};

// Decodes `data` as `struct_type` into a byte buffer; empty on failure
// (the error is left in GetLastError).
std::vector<BYTE> Decode(LPCSTR struct_type, const CRYPT_ATTR_BLOB& data) {
  DWORD size = 0;
  if (!CryptDecodeObject(kEncoding, struct_type, data.pbData, data.cbData, 0, nullptr, &size) ||
      size == 0) {
    return {};
  }
  std::vector<BYTE> buffer(size);
  if (!CryptDecodeObject(kEncoding, struct_type, data.pbData, data.cbData, 0, buffer.data(),
                         &size)) {
    return {};
  }
  return buffer;
}

const CRYPT_ATTRIBUTE* FindAttribute(const CRYPT_ATTRIBUTES& attributes, const char* oid) {
  for (DWORD i = 0; i < attributes.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = attributes.rgAttr[i];
    if (attribute.pszObjId && std::strcmp(attribute.pszObjId, oid) == 0 && attribute.cValue > 0) {
      return &attribute;
    }
  }
  return nullptr;
}

// The link text when it is given as a URL or a file name, null otherwise.
const wchar_t* LinkText(const SPC_LINK* link) {
  if (!link) return nullptr;
  switch (link->dwLinkChoice) {
    case SPC_URL_LINK_CHOICE: return link->pwszUrl;
    case SPC_FILE_LINK_CHOICE: return link->pwszFile;
    default: return nullptr;
  }
}

// Writes the publisher and more-info links of the signer's opus attribute to
// standard output. Nothing depends on it.
void PrintPublisherInfo(const CMSG_SIGNER_INFO& signer) {
  const CRYPT_ATTRIBUTE* attribute = FindAttribute(signer.AuthAttrs, SPC_SP_OPUS_INFO_OBJID);
  if (!attribute) return;
  DWORD size = 0;
  const CRYPT_ATTR_BLOB& blob = attribute->rgValue[0];
  if (!CryptDecodeObject(kEncoding, SPC_SP_OPUS_INFO_OBJID, blob.pbData, blob.cbData, 0, nullptr,
                         &size)) {
    std::printf("CryptDecodeObject failed with %lx\n", GetLastError());
    return;
  }
  std::vector<BYTE> buffer;
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    std::printf("Unable to allocate memory for Publisher Info.\n");
    return;
  }
  if (!CryptDecodeObject(kEncoding, SPC_SP_OPUS_INFO_OBJID, blob.pbData, blob.cbData, 0,
                         buffer.data(), &size)) {
    std::printf("CryptDecodeObject failed with %lx\n", GetLastError());
    return;
  }
  const auto* opus = reinterpret_cast<const SPC_SP_OPUS_INFO*>(buffer.data());
  if (const wchar_t* link = LinkText(opus->pPublisherInfo)) {
    std::printf("Publisher Link : %ls\n", link);
  }
  if (const wchar_t* link = LinkText(opus->pMoreInfo)) {
    std::printf("MoreInfo Link : %ls\n", link);
  }
}

PCCERT_CONTEXT FindCertificate(HCERTSTORE store, const CERT_NAME_BLOB& issuer,
                               const CRYPT_INTEGER_BLOB& serial) {
  CERT_INFO wanted = {};
  wanted.Issuer = issuer;
  wanted.SerialNumber = serial;
  return CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
}

// "%02x " per byte, most significant first (the blob holds the least
// significant byte first), without the last blank.
std::wstring SerialNumberText(const CRYPT_INTEGER_BLOB& serial) {
  std::wstring text;
  for (DWORD i = serial.cbData; i > 0; --i) {
    wchar_t pair[4];
    std::swprintf(pair, 4, L"%02x", serial.pbData[i - 1]);
    if (!text.empty()) text += L' ';
    text += pair;
  }
  return text;
}

// A certificate name (issuer when `flags` is CERT_NAME_ISSUER_FLAG), or
// false with the debugger diagnostics.
bool ReadName(PCCERT_CONTEXT cert, DWORD flags, const wchar_t* alloc_message, std::wstring* out) {
  const DWORD length =
      CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, nullptr, 0);
  if (length == 0) {
    OutputDebugStringW(L"CertGetNameString failed.\n");
    return false;
  }
  std::vector<wchar_t> name;
  try {
    name.resize(length);
  } catch (const std::bad_alloc&) {
    OutputDebugStringW(alloc_message);
    return false;
  }
  if (CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, name.data(),
                         length) == 0) {
    OutputDebugStringW(L"CertGetNameString failed.\n");
    return false;
  }
  out->assign(name.data());
  return true;
}

}  // namespace

bool FindRunningProcess(const std::wstring& name, std::wstring* path) {
  ScopedSnapshot processes = TakeSnapshot(TH32CS_SNAPPROCESS, 0);
  if (!processes) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32FirstW(processes.get(), &entry); more;
       more = Process32NextW(processes.get(), &entry)) {
    if (lstrcmpiW(entry.szExeFile, name.c_str()) == 0) {
      found = true;
      break;
    }
  }
  if (!found) return false;
  if (ScopedSnapshot modules = TakeSnapshot(TH32CS_SNAPMODULE, entry.th32ProcessID)) {
    MODULEENTRY32W module = {};
    module.dwSize = sizeof(module);
    if (path) *path = Module32FirstW(modules.get(), &module) ? module.szExePath : L"";
  }
  return true;
}

int InspectSigner(const wchar_t* file, SignerInfo* info) {
  if (!file || !*file || !info) return -1;
  LastError error;
  SignatureObjects objects;

  if (!CryptQueryObject(CERT_QUERY_OBJECT_FILE, file,
                        CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
                        0, nullptr, nullptr, nullptr, &objects.store, &objects.message, nullptr)) {
    error.Record();
    OutputDebugStringW(L"CryptQueryObject failed.\n");
    return error.Result();
  }

  DWORD size = 0;
  if (!CryptMsgGetParam(objects.message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
    error.Record();
    OutputDebugStringW(L"CryptMsgGetParam failed.\n");
    return error.Result();
  }
  std::vector<BYTE> signer_buffer;
  try {
    signer_buffer.assign(size, 0);
  } catch (const std::bad_alloc&) {
    OutputDebugStringW(L"Unable to allocate memory for Signer Info.\n");
    return error.Result();
  }
  if (!CryptMsgGetParam(objects.message, CMSG_SIGNER_INFO_PARAM, 0, signer_buffer.data(), &size) ||
      size < sizeof(CMSG_SIGNER_INFO)) {
    error.Record();
    OutputDebugStringW(L"CryptMsgGetParam failed.\n");
    return error.Result();
  }
  const auto& signer = *reinterpret_cast<const CMSG_SIGNER_INFO*>(signer_buffer.data());

  PrintPublisherInfo(signer);

  objects.signer_cert = FindCertificate(objects.store, signer.Issuer, signer.SerialNumber);
  if (!objects.signer_cert) {
    error.Record();
    OutputDebugStringW(L"CertFindCertificateInStore failed.\n");
    return error.Result();
  }

  std::printf("Serial Number: ");
  info->serial_number = SerialNumberText(objects.signer_cert->pCertInfo->SerialNumber);
  if (!ReadName(objects.signer_cert, CERT_NAME_ISSUER_FLAG,
                L"Unable to allocate memory for issuer name.\n", &info->issuer_name) ||
      !ReadName(objects.signer_cert, 0, L"Unable to allocate memory for subject name.\n",
                &info->subject_name)) {
    error.Record();
    return error.Result();
  }

  // The timestamp: a counter-signature among the unauthenticated attributes.
  const CRYPT_ATTRIBUTE* counter = FindAttribute(signer.UnauthAttrs, szOID_RSA_counterSign);
  if (!counter) return error.Result();
  std::vector<BYTE> counter_buffer = Decode(PKCS7_SIGNER_INFO, counter->rgValue[0]);
  if (counter_buffer.size() < sizeof(CMSG_SIGNER_INFO)) {
    error.Record();
    std::printf("CryptDecodeObject failed with %lx\n", GetLastError());
    return error.Result();
  }
  const auto& counter_signer = *reinterpret_cast<const CMSG_SIGNER_INFO*>(counter_buffer.data());
  objects.timestamp_cert =
      FindCertificate(objects.store, counter_signer.Issuer, counter_signer.SerialNumber);
  if (!objects.timestamp_cert) {
    error.Record();
    OutputDebugStringW(L"CertFindCertificateInStore failed.\n");
    return error.Result();
  }
  std::printf("TimeStamp Certificate:\n\n");

  const CRYPT_ATTRIBUTE* time_attribute =
      FindAttribute(counter_signer.AuthAttrs, szOID_RSA_signingTime);
  if (!time_attribute) return error.Result();
  FILETIME utc = {};
  DWORD time_size = sizeof(utc);
  const CRYPT_ATTR_BLOB& blob = time_attribute->rgValue[0];
  if (!CryptDecodeObject(kEncoding, szOID_RSA_signingTime, blob.pbData, blob.cbData, 0, &utc,
                         &time_size)) {
    error.Record();
    OutputDebugStringW(L"CryptDecodeObject failed\n");
    return error.Result();
  }
  FILETIME local = {};
  SYSTEMTIME time = {};
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) {
    error.Record();
    return error.Result();
  }
  info->signing_time = time;
  return 0;
}

namespace {

// Loads the Ombra library (never unloaded) and finds one of its exports as
// a function of type Fn; null with the library's diagnostics when either is
// missing.
template <typename Fn>
Fn OmbraExport(const char* name) {
  HMODULE library = LoadLibraryW(kOmbraLibrary);
  if (!library) {
    OutputDebugStringW(L"Load dll failed!");
    return nullptr;
  }
  FARPROC proc = GetProcAddress(library, name);
  if (!proc) {
    OutputDebugStringW(L"Cannot get functions.");
    return nullptr;
  }
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

int ProbeOmbraEnv() {
  using IsOmbraEnvFn = int(WINAPI*)();
  auto is_ombra_env = OmbraExport<IsOmbraEnvFn>("IsOmbraEnv");
  if (!is_ombra_env) return 0;
  if (is_ombra_env() != 0) {
    OutputDebugStringW(L"Find ombra environment.");
    return 2;
  }
  OutputDebugStringW(L"Cannot find ombra environment.");
  return 0;
}

bool QueryOmbraSpreader(char* buffer, int size) {
  using GetSpreaderFn = int(WINAPI*)(char*, int);
  auto get_spreader = OmbraExport<GetSpreaderFn>("GetSpreader");
  if (!get_spreader) return false;
  if (get_spreader(buffer, size) != 0) return true;
  OutputDebugStringW(L"Cannot find Spreader.");
  return false;
}

}  // namespace veyra
