// The service's namespace table. Compiled into each program that links the service core (and
// only there), because the gSOAP runtime also needs it under the global name "namespaces".
#include "stdsoap2.h"

// SOAP 1.2 on output; SOAP 1.1 accepted on input and then answered in kind.
struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/", nullptr},
    {"SOAP-ENC", "http://www.w3.org/2003/05/soap-encoding", "http://schemas.xmlsoap.org/soap/encoding/", nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    // Each client's ns1 is its own base address: take whatever it declares.
    {"ns1", "http://tempuri.org/", "*", nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};
