#include "support/TestEnvironment.h"

#include <QApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    qvtest::setUpProcessEnvironment();
    QApplication app(argc, argv);
    qvtest::setUpApplicationDefaults();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
