#include "app/application.h"

int main(int argc, char** argv)
{
    return kalvora::runApplication(argc, argv);
}
