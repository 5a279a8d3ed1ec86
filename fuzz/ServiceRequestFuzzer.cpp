// Fuzz target: one HTTP request to the reference service (SOAP operation, web page, sharing
// gateway or test control) taken the way the service takes it: the connection loop's request
// reader with its limits first, then a worker serving the whole request on a temporary seeded
// database.
#include "HttpRequestReader.h"
#include "PlatformServer.h"
#include "SeedLoader.h"
#include "TemporaryFolder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

struct FuzzedService
{
    FuzzedService() : folder("service-fuzz")
    {
        options.databasePath = folder.Path() + "/platform.db";
        PrepareDatabase(options.databasePath, PENLARK_DATA_DIR);
        shared.baseAddress = "http://127.0.0.1:8089/";
        context = soap_new1(SOAP_C_UTFSTRING);
        ConfigureServingContext(context, options);
        service = std::make_unique<PlatformService>(context, shared, options.databasePath);
        ServeFromMemory(context);
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
    RequestLimits limits;
    limits.maxBodyBytes = fuzzed.options.maxRequestBytes;
    HttpRequestReader reader(limits);
    RequestVerdict verdict = reader.Feed(reinterpret_cast<const char *>(data), size);
    if (verdict == RequestVerdict::NeedMore)
        verdict = reader.Finish(); // the client closed its side after these bytes
    if (verdict != RequestVerdict::Complete)
        return 0; // refused by the loop with a fixed fault; no worker sees it
    ServedConnection served;
    served.request = reader.TakeBytes();
    served.ip = 0x7F000001;
    ServeWholeRequest(*fuzzed.service, served);
    return 0;
}
