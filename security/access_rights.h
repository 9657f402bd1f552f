// The access rights as the tree names them and icacls writes them: one table
// for the node texts, the composed rights and the detail dialog's boxes.
#pragma once
#include <stdint.h>

struct AccessRight {
    uint32_t mask;
    const char16_t* name;     // English name in node texts; null: never named
    const char16_t* icacls;   // icacls's simple right or abbreviation; null: none
    bool composite;           // a combination matched as a whole, else one bit
    bool written;             // composed commands write the code; icacls takes all
};

// The composite rights that also have glyphs of their own.
const uint32_t kFullControlMask = 0x001F01FF;
const uint32_t kModifyMask = 0x001301BF;
const uint32_t kReadExecuteMask = 0x001200A9;

extern const AccessRight kAccessRights[];
extern const uint32_t kAccessRightCount;

// The detail dialog's boxes are the first single-bit rights, in table order.
const uint32_t kDetailRightCount = 13;
uint32_t DetailRightMask(uint32_t box);
// The named single-bit right of exactly this bit; null when there is none.
const AccessRight* SingleBitRight(uint32_t bit);
