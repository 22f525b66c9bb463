#pragma once

#include "core/BilingualText.h"

namespace qv {

// Reports of the serial and TCP links in the status box.

// Failed opens of the serial port, by the platform's error code.
inline constexpr BilingualText kSerialUnknownSystemErrorText{"Unbekannter Systemfehler",
                                                             "Unknown system error"};
inline constexpr BilingualText kSerialInvalidPortText{"Ungueltige Portnummer",
                                                      "Invalid port number"};
inline constexpr BilingualText kSerialPortNotOpenText{"Port ist nicht verfuegbar",
                                                      "Port is not open"};
// "I/0" with a zero is the text operators have always been shown.
inline constexpr BilingualText kSerialIoErrorText{"Unbekannter I/O Fehler", "Unknown I/0 error"};
inline constexpr BilingualText kSerialNoPortFoundText{"Kein serieller Port gefunden",
                                                      "No serial port found"};
inline constexpr BilingualText kSerialCannotOpenText{"Port kann nicht geoeffnet werden",
                                                     "Cannot open port"};
inline constexpr BilingualText kSerialInvalidBaudText{"Ungueltige Baudrate", "Invalid Baudrate"};
inline constexpr BilingualText kSerialTimeoutText{"Timeout", "Timeout"};
inline constexpr BilingualText kSerialOtherErrorText{"RS-232 Fehler!", "RS-232 error!"};

// The serial port listing.
inline constexpr BilingualText kComPortsHeadingText{"Folgende COM PORTS sind verfuegbar:\n",
                                                    "Following COM PORTS are available:\n"};

// Failed connects of the TCP conversation, by the platform's error code.
inline constexpr BilingualText kTcpUnableToRegisterServiceText{
    "Dienst konnte nicht registriert werden", "Unable to register service"};
inline constexpr BilingualText kTcpUnableToEstablishConnectionText{
    "Verbindung konnte nicht aufgebaut werden", "Unable to establish connection"};
inline constexpr BilingualText kTcpExistingServerText{"Server bereits vorhanden",
                                                      "Existing server"};
inline constexpr BilingualText kTcpFailedToConnectText{"Verbindungsfehler", "Failed to connect"};
inline constexpr BilingualText kTcpServerNotRegisteredText{"Server nicht registriert",
                                                           "Server not registered"};
inline constexpr BilingualText kTcpTooManyConversationsText{"Zu viele Nachrichtenuebertragungen",
                                                            "Too many conversations"};
inline constexpr BilingualText kTcpReadFailedText{"Lesen fehlgeschlagen", "Read failed"};
inline constexpr BilingualText kTcpWriteFailedText{"Schreiben fehlgeschlagen", "Write failed"};
inline constexpr BilingualText kTcpInvalidParameterText{"Ungueltiger Parameter",
                                                        "Invalid parameter"};
inline constexpr BilingualText kTcpOutOfMemoryText{"Ausserhalb des Speichers", "Out of memory"};
inline constexpr BilingualText kTcpTimeoutText{"Timeout", "Time out error"};
inline constexpr BilingualText kTcpNoConnectionEstablishedText{"Keine Verbindung hergestellt",
                                                               "No connection established"};
inline constexpr BilingualText kTcpGeneralIoErrorText{"Allgemeiner IO Fehler", "General IO error"};
inline constexpr BilingualText kTcpConnectionClosedText{"Verbindung geschlossen",
                                                        "Connection closed"};
inline constexpr BilingualText kTcpUnableToLoadSocketLibraryText{
    "Winsock DLL konnte nicht geladen werden", "Unable to load winsock DLL"};
inline constexpr BilingualText kTcpIncorrectSocketLibraryVersionText{
    "Ungueltige Winsock DLL Version", "Incorrect winsock DLL version"};
inline constexpr BilingualText kTcpNetworkSubsystemNotReadyText{"Netzwerk Subsystem nicht bereit",
                                                                "Network subsystem not ready"};
inline constexpr BilingualText kTcpConnectionsStillOpenText{"Verbindungen noch aktiv",
                                                            "Connections still open"};
inline constexpr BilingualText kTcpDisconnectPendingText{"Verbindungstrennung bevorstehend",
                                                         "Disconnect pending"};
inline constexpr BilingualText kTcpInfoNotAvailableText{"Info nicht verfuegbar",
                                                        "Info not available"};
inline constexpr BilingualText kTcpOtherErrorText{"Verbindung mit Server fehlgeschlagen",
                                                  "Connection to server failed"};

// The server ended the conversation.
inline constexpr BilingualText kServerClosedConnectionText{"Server hat Verbindung beendet!",
                                                           "Server has closed connection!"};

}  // namespace qv
