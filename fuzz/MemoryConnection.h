// A connection of the SOAP runtime that never touches the network: what the runtime sends is
// dropped and what it receives is a byte block, so every layer above the socket (HTTP, XML,
// the generated deserializers, the program's limits) runs as it does in the program.
#pragma once

#include <cstddef>
#include <string_view>

struct soap;

// The bytes every connection opened from now on reads, from the start, until the next call.
void SetMemoryReply(std::string_view bytes);

// Replaces the context's socket functions with the in-memory ones. Must be repeated on every
// new context (a successful sign-in makes a new signed-in proxy).
void UseMemoryConnection(struct soap *soap);

// For a context that serves: marks its socket open on the current reply, read from the start.
void OpenMemorySocket(struct soap *soap);
