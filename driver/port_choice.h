// The port settings as the port dialog offers and hands them back: COM1 or a second port
// remembered for the run, and verification. Applying a choice changes the settings for this
// run only; nothing is written to the parameter file.
#pragma once

struct LinkContext;

struct PortChoice {
    int port;        // the chosen COM port: 1, or secondPort
    int secondPort;  // what the second button offers: the configured port, or COM2
    int verify;      // 1: read-back verification for #GET and #PUT
};

// What the dialog offers now. `rememberedSecondPort` is the second port of an earlier opening
// in this run, 0 at the first.
PortChoice a_portChoiceOffered(const LinkContext* ctx, int rememberedSecondPort);

// Applies the choice the user confirmed. The button is compared with the current port, not the
// port number: with port 5 in use and the second button kept, an open port is closed all the
// same, and the next command opens the chosen port.
void a_applyPortChoice(LinkContext* ctx, const PortChoice& choice);
