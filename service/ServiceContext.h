// The process-wide values that every service request carries.
#pragma once

#include <string>

// Every field is GBK text. Written by the sign-in flow before the main window's thread starts,
// only read afterwards.
struct ServiceContextValues
{
    std::string DefaultEndpoint;     // "http://" + host + "/Iface/api.asmx"
    std::string DefaultBaseAddress;  // "http://" + host + "/"
    std::string Endpoint;            // after sign-in: BaseAddress + "iface/api.asmx"
    std::string BaseAddress;         // after sign-in: the result's "host" value
    std::string DeviceCode = "123456";
    std::string UserId = "1";        // the sign-in's "ID", sent back as `id`: carried as received
    std::string UserName;
    std::string PasswordDigest;
    std::string UserNo;
    // Trust for https addresses: a PEM file of certificates (a private platform's own authority);
    // empty for the system's trusted certificates. Not sent; set through SetServiceCAFile.
    std::string CAFile;
};

extern ServiceContextValues ServiceContext;

// Whose the signed-in user's things on this computer are (the essay journal's entries, like the
// local users table): the account name as typed (GBK), the same at every sign-in. Never UserId:
// the sign-in's "ID" is a new session number each time, so an essay kept under it would not be
// offered after the next sign-in.
inline const std::string &SignedInAccount()
{
    return ServiceContext.UserName;
}

// The reference service on this machine, used unless config.ini's [Service] Host says otherwise.
inline constexpr const char *kBuiltInServiceHost = "127.0.0.1:8089";

// Sets the built-in addresses for a service host and resets the signed-in addresses to them, as
// at process start. The host is "name:port" (plain http) or an address with its scheme,
// "https://name:port" (a trailing "/" is dropped).
void InitServiceAddresses(const std::string &host);

// After a successful sign-in: the signed-in base address and endpoint, joined without adding or
// removing a separator ("host" is expected to end with "/").
void SetSignedInAddress(const std::string &host);
// Whether a save could reach the library right now: a signed-in session that has not ended (no
// refused renewal, no sign-in elsewhere, no switch of account since) with a service that answered
// the last exchange. An essay's journal entry is dropped on the student's word only while this
// holds: otherwise the student had no way to keep it, and the next sign-in offers it back.
bool SaveCanReachService();
// Kept by the sign-in, by the end of the signed-in session and by every exchange.
void NoteSignedInSessionStarted();
void NoteSignedInSessionEnded();
void NoteExchangeReachedService(bool reached);

// A "host" the client accepts from a sign-in: an http or https address ending with "/".
bool IsServiceBaseAddress(const std::string &host);

