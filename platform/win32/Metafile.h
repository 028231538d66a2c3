// Metafiles, palettes and the 24-bit bitmaps metafiles are played into, with
// their Windows layouts and constant values.
#pragma once

#include "platform/win32/Gdi.h"
#include "platform/win32/Types.h"

DECLARE_HANDLE(HENHMETAFILE);
DECLARE_HANDLE(HMETAFILE);
DECLARE_HANDLE(HPALETTE);

typedef DWORD COLORREF;
typedef struct _RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECTL;
typedef SIZE SIZEL;

#define MM_TEXT 1
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8
#define ALTERNATE 1
#define WINDING 2
#define WHITENESS 0x00FF0062
#define BLACKNESS 0x00000042
#define EMR_HEADER 1
#define ENHMETA_SIGNATURE 0x464D4520

typedef struct tagENHMETAHEADER {
  DWORD iType;
  DWORD nSize;
  RECTL rclBounds;  // device pixels, inclusive
  RECTL rclFrame;   // 0.01 mm, inclusive
  DWORD dSignature;
  DWORD nVersion;
  DWORD nBytes;
  DWORD nRecords;
  WORD nHandles;
  WORD sReserved;
  DWORD nDescription;
  DWORD offDescription;
  DWORD nPalEntries;
  SIZEL szlDevice;       // reference device, pixels
  SIZEL szlMillimeters;  // reference device, millimetres
  DWORD cbPixelFormat;
  DWORD offPixelFormat;
  DWORD bOpenGL;
  SIZEL szlMicrometers;
} ENHMETAHEADER;

typedef struct tagMETAFILEPICT {
  LONG mm;
  LONG xExt;  // 0.01 mm for MM_ANISOTROPIC and MM_ISOTROPIC
  LONG yExt;
  HMETAFILE hMF;
} METAFILEPICT;

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

static_assert(sizeof(ENHMETAHEADER) == 108 && sizeof(PALETTEENTRY) == 4);

// Windows metafile bytes (no placeable header) kept as they are, not converted;
// the header's frame comes from `picture` (MM_ANISOTROPIC or MM_ISOTROPIC
// extents) or else from the first window extent record taken as 96-dpi pixels.
HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bits, HDC refDc, const METAFILEPICT* picture);
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bits);
UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header);
// Plays pens, brushes, lines, polygons, rectangles and ellipses (other records
// are passed over) into a DC holding a compatible bitmap; the picture's frame
// maps onto `rect`, right and bottom exclusive.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// Always a 24-bit bitmap in plain memory (B,G,R, rows padded to 4 bytes), whatever the DC.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// 24-bit BI_RGB rows, bottom-up, out of a compatible bitmap.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
// WHITENESS and BLACKNESS only.
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// A palette changes nothing on the bitmaps of this layer; it can be selected,
// realized and deleted.
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
