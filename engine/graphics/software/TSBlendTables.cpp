#include "engine/graphics/software/TSBlendTables.h"

#include <algorithm>
#include <new>

#include "engine/object/TSCustomException.h"

const CTSBlendTables g_blendTables;

CTSBlendTables::CTSBlendTables() {
  m_add = new (std::nothrow) BYTE[TABLE_SIZE];
  m_sub = new (std::nothrow) BYTE[TABLE_SIZE];
  if (m_add == nullptr || m_sub == nullptr) {
    delete[] m_add;
    delete[] m_sub;
    throw new (std::nothrow) Tessel::CTSCustomException("Internal error: less than 1MB blend memory");
  }
  // i * r and j * n are carried as running sums; an arithmetic shift takes
  // every negative difference below 0.
  for (int i = 0; i < 32; ++i) {
    for (int j = 0; j < 32; ++j) {
      BYTE* add = m_add + Index(i, j, 0, 0);
      BYTE* sub = m_sub + Index(i, j, 0, 0);
      int ir = 0;
      for (int r = 0; r < 32; ++r, ir += i) {
        int jn = 0;
        for (int n = 0; n < 32; ++n, jn += j) {
          add[(r << 5) | n] = BYTE(std::clamp((ir + jn) >> 5, 0, 31));
          sub[(r << 5) | n] = BYTE(std::clamp((ir - jn) >> 5, 0, 31));
        }
      }
    }
  }
}

CTSBlendTables::~CTSBlendTables() {
  delete[] m_add;
  delete[] m_sub;
  m_add = nullptr;
  m_sub = nullptr;
}
