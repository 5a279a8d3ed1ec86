// The client's global namespace table. The gSOAP runtime refers to a table by this name, so it
// must be in every program that links the runtime, whether or not the program's own code calls
// a proxy yet; each program linking the service client compiles this file itself. Every proxy
// then replaces it with its own table (ServiceProxy.cpp).
#include "stdsoap2.h"

struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/", nullptr},
    {"SOAP-ENC", "http://www.w3.org/2003/05/soap-encoding", "http://schemas.xmlsoap.org/soap/encoding/", nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns1", "http://tempuri.org/", "*", nullptr},
    {nullptr, nullptr, nullptr, nullptr}};
