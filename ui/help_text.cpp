#include "help_text.h"

#include <QStringList>

namespace {

// Pieces 0..6 are paragraphs, the rest the contact lines.
constexpr int kFirstContactPiece = 7;

QStringList helpPieces()
{
    return {
        QStringLiteral(
            "Lumivane Mini Monitor is a simple software tool for monitoring DMX channel "
            "values. It works with Lumivane's DMX512 Transceiver (or Receiver) hardware. "
            "The hardware connects to the DMX stream through a 5-pin XLR connector and "
            "needs a 9 to 12 V DC supply with the centre pin positive. It connects to the "
            "PC through a DB9 serial cable. Here are technical specs."),

        QStringLiteral(
            "The DMX connector follows USITT DMX512: a 5-pin XLR-style female connector "
            "with pin 1 common, pin 2 tx\u2212, pin 3 tx+, pin 4 rx\u2212 and pin 5 rx+. "
            "The transceiver is wired as DCE and connects to the computer's RS-232 port "
            "(DTE) with a one-to-one cable, not a cross-over cable. Seven wires are "
            "needed; they are listed in table 1 of the hardware manual, and a cable with "
            "all nine connections works just as well. The plug on the transceiver is male "
            "and the socket on the computer is female. Set the computer's serial port to "
            "115,200 baud, 8 data bits, 1 stop bit and no parity, with RTS/CTS and "
            "DTR/DSR handshaking switched on and DCD and XON/XOFF switched off. Other "
            "settings will stop the monitor from talking to the transceiver."),

        QStringLiteral(
            "The Mini Monitor is useful for testing equipment that sends DMX and for "
            "keeping an eye on a live DMX stream. Because the DMX inputs arrive on the "
            "PC, they could also drive software functions there, such as triggering "
            "media or logging a show; Lumivane can write custom programs for this."),

        QStringLiteral(
            "First set the serial port to the port the transceiver cable is connected to. "
            "When the right port is chosen and the transceiver is connected, the Status "
            "box shows \"DMX Transceiver connected OK\". You can then read up to 5 chosen "
            "channels one by one, or list a whole range of channels together with their "
            "values. If the Status box shows an error instead, check the port, the cable "
            "and the power supply."),

        QStringLiteral(
            "To read a single channel, choose it on a slider; its number shows on the "
            "button below the slider. Clicking on the slider moves it by 10, and the "
            "advance and retreat buttons beside it move it by 1. From the keyboard, "
            "Page Up and Page Down move the slider by 10 and the arrow keys move it by 1. "
            "Clicking the \"Read Channel X\" button puts the value of channel X in the box "
            "at the top. Check the box at the far right to get continuous readings, ten "
            "times a second, for as long as it stays checked. Any errors, such as a lost "
            "connection or a missing DMX signal, are shown in the Status box."),

        QStringLiteral(
            "To list a range of channels, set the lower start channel on the left slider "
            "and the upper end channel on the right slider, choosing them in the same way "
            "as for single channels. Clicking the \"List Ch X-Y\" button then gives the "
            "full listing of those channels and their values in the large list box on "
            "the right, where you can scroll through it."),

        QStringLiteral(
            "Lumivane Mini Monitor is provided free of charge to owners of Lumivane DMX "
            "hardware. It is supplied as is, without warranty of any kind. Updates and new "
            "versions are announced on our web site, and we welcome reports of problems "
            "and ideas for new features. For support, contact:"),

        QStringLiteral("Lumivane Technical Support"),
        QStringLiteral("Lumivane Lighting Ltd"),
        QStringLiteral("https://www.lumivane.example/support"),
        QStringLiteral("support@lumivane.example"),
        QStringLiteral("Tel. +44 (0)1632 960000"),
    };
}

} // namespace

QString helpText()
{
    const QStringList pieces = helpPieces();
    QString text = pieces.at(0);
    for (int i = 1; i < pieces.size(); ++i)
        text += (i <= kFirstContactPiece ? QStringLiteral("\n\n") : QStringLiteral("\n")) + pieces.at(i);
    return text;
}
