// In-memory socket functions of the SOAP runtime for the fuzz targets.
#include "MemoryConnection.h"

#include <stdsoap2.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>

namespace {

std::string_view g_reply;
std::size_t g_offset = 0;

// A real descriptor that is no socket: should the runtime ever call the socket layer itself,
// the call fails instead of touching another file.
SOAP_SOCKET PlaceholderSocket()
{
    static const int descriptor = open("/dev/null", O_RDWR | O_CLOEXEC);
    return descriptor;
}

SOAP_SOCKET OpenConnection(struct soap *, const char *, const char *, int)
{
    g_offset = 0;
    return PlaceholderSocket();
}

int CloseConnection(struct soap *)
{
    return SOAP_OK;
}

int CloseSocket(struct soap *, SOAP_SOCKET)
{
    return SOAP_OK;
}

int ShutdownSocket(struct soap *, SOAP_SOCKET, int)
{
    return SOAP_OK;
}

int Send(struct soap *, const char *, std::size_t)
{
    return SOAP_OK;
}

std::size_t Receive(struct soap *, char *buffer, std::size_t length)
{
    const std::size_t count = std::min(length, g_reply.size() - g_offset);
    std::memcpy(buffer, g_reply.data() + g_offset, count);
    g_offset += count;
    return count;
}

int PollConnection(struct soap *)
{
    return SOAP_OK;
}

} // namespace

void SetMemoryReply(std::string_view bytes)
{
    g_reply = bytes;
    g_offset = 0;
}

void UseMemoryConnection(struct soap *soap)
{
    soap->fopen = OpenConnection;
    soap->fclose = CloseConnection;
    soap->fclosesocket = CloseSocket;
    soap->fshutdownsocket = ShutdownSocket;
    soap->fsend = Send;
    soap->frecv = Receive;
    soap->fpoll = PollConnection;
}

void OpenMemorySocket(struct soap *soap)
{
    g_offset = 0;
    soap->socket = PlaceholderSocket();
}
