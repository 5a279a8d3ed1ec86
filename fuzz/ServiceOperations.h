// The client's service operations as the fuzz targets drive them: each runs the program's own
// call, over the in-memory connection, with fixed request values.
#pragma once

#include <cstddef>
#include <string_view>

struct FuzzedOperation
{
    const char *name;   // the operation's element name ("WsLogin")
    bool readsDocument; // its result is a JSON document read by the client
    void (*run)();
};

// Every operation the client calls, documents first.
const FuzzedOperation *FuzzedOperations(std::size_t &count);

// The operation an input's first byte selects, and the rest of the input.
const FuzzedOperation &SelectOperation(std::string_view &input, bool documentsOnly);

// Puts both proxies on the in-memory connection (again after a sign-in replaced one).
void PrepareProxies();
