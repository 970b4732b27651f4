#pragma once
// Protocol "C3": tags (two UTF-16LE characters read as one little-endian
// 32-bit value), reply codes and the bounds both sides keep to.

#include "afx/Afx.h"

enum : DWORD
{
    TAG_C3 = 0x00330043,
    TAG_NR = 0x0052004E,
    TAG_HB = 0x00420048,
    TAG_DB = 0x00420044,
    TAG_SF = 0x00460053,
    TAG_DL = 0x004C0044,
    TAG_AL = 0x004C0041,
};

enum : DWORD
{
    REPLY_OK = 0,
    REPLY_CANNOT_HOLD = 3,
    REPLY_NO_DATA = 4,
    REPLY_CHECK_FAILED = 0xFFFFFFFF,
};

enum
{
    CHALLENGE_LENGTH = 32,
    MAX_CHALLENGE_LENGTH = 65536,
    MAX_MODULUS_LENGTH = 65536,      // greeting's L, as the sender accepts it
    MAX_ENCRYPTED_KEY_LENGTH = 512,  // "NR" length, as the receiver accepts it
    // A modulus beyond this can't give a key that the receiver accepts, and
    // would only make the sender's exponentiation slow.
    MAX_MODULUS_BITS = 8 * MAX_ENCRYPTED_KEY_LENGTH,
    SESSION_KEY_LENGTH = 160,
    MAX_NAME_LENGTH = 0xFFFF,
    // A sender's records are the formats of one clipboard, one per format id,
    // and ids are 16-bit: a directory announcing more items is not one. The
    // bound keeps a peer from making the receiver build, offer and log
    // millions of records (2 GB of directory holds 134 million items).
    MAX_DIRECTORY_ITEMS = 0x10000,
};

// Formats whose clipboard data is a GDI object or a handle inside a block,
// not a plain memory block: their bytes can't travel, and a block made of
// bytes must never be handed to the clipboard under their id.
inline BOOL IsHandleClipboardFormat(UINT nFormat)
{
    switch (nFormat)
    {
    case CF_BITMAP:
    case CF_METAFILEPICT:
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
    case CF_DSPENHMETAFILE:
    case CF_OWNERDISPLAY:
        return TRUE;
    default:
        // The private and GDI-object ranges hold handles too.
        return (nFormat >= CF_PRIVATEFIRST && nFormat <= CF_PRIVATELAST) ||
               (nFormat >= CF_GDIOBJFIRST && nFormat <= CF_GDIOBJLAST);
    }
}

// "(n + 1023) / 1024" in 64-bit arithmetic, as text.
CString FormatKB(ULONGLONG nBytes);

// TRUE when the process can still take nBytes more memory: within both the
// free address space and the free commit. Peer-announced sizes are checked
// with it before anything is allocated for them.
BOOL CanHoldBytes(ULONGLONG nBytes);
