#pragma once

#include <QByteArray>

// A truck's configuration file, as the tool saves it: the sample the command line and
// window tests open, write and verify.
inline const QByteArray truckLine =
    "\"00-00531-MDL or 00-00537-MDL\",\"TRUCK 12\",\"HORN\",0,\"WIPERS\",11,\"BEACON\",29,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"HORN ON\",0,\"WIPERS ON\",12,\"BEACON ON\",30,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"BACKLIGHT\",159,\"DIMMING\",158,\"NORMAL INDICATOR (%)\",10,"
    "\"NORMAL BACKLIGHTING (%)\",6,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",1\r\n";
