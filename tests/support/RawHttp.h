// Raw HTTP against the reference service for tests and benchmarks that play a hostile or unusual
// client: connections from a chosen loopback address, hand-made SOAP requests, reading what comes
// back, and what the service process costs (CPU, memory).
#pragma once

#include <sys/types.h>

#include <string>

// A connection to 127.0.0.1:port made from the given local address (the whole of 127/8 is this
// machine, so each address stands for another client). receiveBuffer > 0 shrinks the socket's
// receive buffer to about that many bytes (a client that reads slowly or not at all). -1 when the
// connection cannot be made.
int ConnectFrom(int port, const char *source, int receiveTimeoutMs = 10000, int receiveBuffer = 0);
// Sends every byte unless the connection fails.
void SendAll(int fd, const std::string &bytes);
// What the peer sends until it closes, or until the receive time-out ("<open>" appended then).
std::string ReadToClose(int fd);
// One request from a chosen address: connects, sends, reads to the close; "" when it failed.
std::string ExchangeFrom(int port, const char *source, const std::string &request, int timeoutMs = 10000);

// A SOAP 1.2 envelope around one operation element (ns1 bound to http://127.0.0.1/).
std::string SoapEnvelope(const std::string &operation);
// A POST of the body to /iface/api.asmx with its length; extraHeaders are whole lines with CR LF.
std::string SoapPost(const std::string &body, const std::string &extraHeaders = "");
// The HTTP status of a raw response, 0 when there is none.
int HttpStatus(const std::string &response);
// The text of the operation's result element in a raw response, "(no result)" when it has none.
std::string SoapResult(const std::string &response, const std::string &operation);

// CPU time the process has used, user and system, in milliseconds.
double ProcessCpuMilliseconds(pid_t pid);
// The process's resident memory in KiB (0 when it cannot be read).
long ProcessResidentKib(pid_t pid);
