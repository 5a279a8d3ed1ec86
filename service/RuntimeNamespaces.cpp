// The gSOAP runtime's global namespace table, for the client and the reference service alike.
// The runtime refers to a table by this name, so it must be in every program that links the
// runtime, whether or not the program's own code calls a proxy or serves yet: each program
// linking the binding compiles this file itself. Client proxies then set tables of their own
// (ServiceProxy.cpp).
#include "stdsoap2.h"

// SOAP 1.2 on output; SOAP 1.1 accepted on input (the service answers it in kind). Any ns1 URI
// is accepted: each client's is its own base address.
struct Namespace namespaces[] = {
    {"SOAP-ENV", "http://www.w3.org/2003/05/soap-envelope", "http://schemas.xmlsoap.org/soap/envelope/", nullptr},
    {"SOAP-ENC", "http://www.w3.org/2003/05/soap-encoding", "http://schemas.xmlsoap.org/soap/encoding/", nullptr},
    {"xsi", "http://www.w3.org/2001/XMLSchema-instance", "http://www.w3.org/*/XMLSchema-instance", nullptr},
    {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
    {"ns1", "http://tempuri.org/", "*", nullptr},
    {nullptr, nullptr, nullptr, nullptr}};
