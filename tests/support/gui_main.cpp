#include "support/TestEnvironment.h"

#include <QGuiApplication>
#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    qvtest::setUpProcessEnvironment();
    QGuiApplication app(argc, argv);
    qvtest::setUpApplicationDefaults();
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
