#pragma once
// The stored form of the RSA key: value "PublicKey1280" of section Network,
// the codec's blob over "<modulus hex> <private exponent hex>".

#include "afx/Afx.h"

class CBrinmoorApp;

// Writes the key that pApp holds. Called with pApp->m_mutexKey held and
// m_bKeyPresent set; the write's result is not examined.
void SavePublicKey(CBrinmoorApp* pApp);

// Loads the stored key into pApp's key members. TRUE also when no key is
// stored (m_bKeyPresent then stays clear); FALSE when the stored value can't
// be decoded or split.
BOOL LoadPublicKey(CBrinmoorApp* pApp);
