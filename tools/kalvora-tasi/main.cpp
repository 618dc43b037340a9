#include "book_moves.h"

#include "data/program_options.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    // A console program: no display is ever needed, --help and --version included.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return kalvora::tasi::run(kalvora::argumentList(argc, argv), out, err);
}
