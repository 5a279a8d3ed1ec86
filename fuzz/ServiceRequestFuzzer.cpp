// Fuzz target: one HTTP request to the reference service (SOAP operation, web page, sharing
// gateway or test control), served by the service's own code on a temporary seeded database.
#include "MemoryConnection.h"
#include "PlatformServer.h"
#include "SeedLoader.h"
#include "TemporaryFolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

struct FuzzedService
{
    FuzzedService() : folder("service-fuzz")
    {
        options.databasePath = folder.Path() + "/platform.db";
        {
            PlatformStore store(options.databasePath);
            SeedStore(store, PENLARK_DATA_DIR);
        }
        shared.baseAddress = "http://127.0.0.1:8089/";
        context = soap_new1(SOAP_C_UTFSTRING);
        ConfigureServingContext(context, options);
        service = std::make_unique<PlatformService>(context, shared, options.databasePath);
        context->user = service.get();
        UseMemoryConnection(context);
    }

    ~FuzzedService()
    {
        service.reset();
        soap_destroy(context);
        soap_end(context);
        soap_free(context);
    }

    TemporaryFolder folder;
    ServerOptions options;
    ServiceShared shared;
    struct soap *context = nullptr;
    std::unique_ptr<PlatformService> service;
};

FuzzedService &Service()
{
    // Kept for the process: one database, one session table, as one worker of the service.
    static FuzzedService service;
    return service;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedService &fuzzed = Service();
    SetMemoryReply(std::string_view(reinterpret_cast<const char *>(data), size));
    OpenMemorySocket(fuzzed.context);
    ServeConnection(*fuzzed.service);
    return 0;
}
