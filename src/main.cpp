#include "app/application.h"
#include "app/large_pages.h"

int main(int argc, char** argv)
{
    kalvora::restartWithLargePages(argv);
    return kalvora::runApplication(argc, argv);
}
