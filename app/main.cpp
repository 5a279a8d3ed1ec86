// Entry point of the essay-writing client.
#include "PenlarkApp.h"

int main(int argc, char **argv)
{
    CpenlarkApp app(argc, argv);
    return app.Run();
}
