// Fuzz target: an HTTP reply to one of the client's service calls, read by the runtime with the
// program's limits and then by the operation. First byte: which operation; the rest: the reply.
#include "MemoryConnection.h"
#include "ServiceOperations.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char *>(data), size);
    const FuzzedOperation &operation = SelectOperation(input, false);
    SetMemoryReply(input);
    PrepareProxies();
    operation.run();
    return 0;
}
