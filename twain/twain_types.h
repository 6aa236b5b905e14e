// TWAIN 1.x types and constants used by the data source, written from the
// published TWAIN 1.x values. Structures use TWAIN's 2-byte packing; the
// sizes checked below are those of the 32-bit Windows library (handles and
// memory references are 4 bytes there, pointer-sized natively).
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define TW_CALLINGSTYLE __stdcall
#else
#define TW_CALLINGSTYLE
#endif

typedef int8_t TW_INT8;
typedef int16_t TW_INT16;
typedef int32_t TW_INT32;
typedef uint8_t TW_UINT8;
typedef uint16_t TW_UINT16;
typedef uint32_t TW_UINT32;
typedef uint16_t TW_BOOL;
typedef void* TW_HANDLE;
typedef void* TW_MEMREF;
typedef char TW_STR32[34];
typedef char TW_STR64[66];
typedef char TW_STR128[130];
typedef char TW_STR255[256];

#pragma pack(push, 2)

struct TW_FIX32 {
  TW_INT16 Whole;
  TW_UINT16 Frac;
};

struct TW_FRAME {
  TW_FIX32 Left;
  TW_FIX32 Top;
  TW_FIX32 Right;
  TW_FIX32 Bottom;
};

struct TW_VERSION {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
};

struct TW_IDENTITY {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
};

struct TW_CAPABILITY {
  TW_UINT16 Cap;
  TW_UINT16 ConType;
  TW_HANDLE hContainer;
};

struct TW_ONEVALUE {
  TW_UINT16 ItemType;
  TW_UINT32 Item;
};

struct TW_ENUMERATION {
  TW_UINT16 ItemType;
  TW_UINT32 NumItems;
  TW_UINT32 CurrentIndex;
  TW_UINT32 DefaultIndex;
  TW_UINT8 ItemList[1];
};

struct TW_ARRAY {
  TW_UINT16 ItemType;
  TW_UINT32 NumItems;
  TW_UINT8 ItemList[1];
};

struct TW_RANGE {
  TW_UINT16 ItemType;
  TW_UINT32 MinValue;
  TW_UINT32 MaxValue;
  TW_UINT32 StepSize;
  TW_UINT32 DefaultValue;
  TW_UINT32 CurrentValue;
};

struct TW_STATUS {
  TW_UINT16 ConditionCode;
  TW_UINT16 Reserved;
};

struct TW_USERINTERFACE {
  TW_BOOL ShowUI;
  TW_BOOL ModalUI;
  TW_HANDLE hParent;
};

struct TW_EVENT {
  TW_MEMREF pEvent;
  TW_UINT16 TWMessage;
};

struct TW_PENDINGXFERS {
  TW_UINT16 Count;
  TW_UINT32 Reserved;
};

struct TW_SETUPMEMXFER {
  TW_UINT32 MinBufSize;
  TW_UINT32 MaxBufSize;
  TW_UINT32 Preferred;
};

struct TW_SETUPFILEXFER {
  TW_STR255 FileName;
  TW_UINT16 Format;
  TW_INT16 VRefNum;
};

struct TW_IMAGEINFO {
  TW_FIX32 XResolution;
  TW_FIX32 YResolution;
  TW_INT32 ImageWidth;
  TW_INT32 ImageLength;
  TW_INT16 SamplesPerPixel;
  TW_INT16 BitsPerSample[8];
  TW_INT16 BitsPerPixel;
  TW_BOOL Planar;
  TW_INT16 PixelType;
  TW_UINT16 Compression;
};

struct TW_IMAGELAYOUT {
  TW_FRAME Frame;
  TW_UINT32 DocumentNumber;
  TW_UINT32 PageNumber;
  TW_UINT32 FrameNumber;
};

struct TW_MEMORY {
  TW_UINT32 Flags;
  TW_UINT32 Length;
  TW_MEMREF TheMem;
};

struct TW_IMAGEMEMXFER {
  TW_UINT16 Compression;
  TW_UINT32 BytesPerRow;
  TW_UINT32 Columns;
  TW_UINT32 Rows;
  TW_UINT32 XOffset;
  TW_UINT32 YOffset;
  TW_UINT32 BytesWritten;
  TW_MEMORY Memory;
};

struct TW_ELEMENT8 {
  TW_UINT8 Index;
  TW_UINT8 Channel1;
  TW_UINT8 Channel2;
  TW_UINT8 Channel3;
};

struct TW_PALETTE8 {
  TW_UINT16 NumColors;
  TW_UINT16 PaletteType;
  TW_ELEMENT8 Colors[256];
};

struct TW_DECODEFUNCTION {
  TW_FIX32 StartIn;
  TW_FIX32 BreakIn;
  TW_FIX32 EndIn;
  TW_FIX32 StartOut;
  TW_FIX32 BreakOut;
  TW_FIX32 EndOut;
  TW_FIX32 Gamma;
  TW_FIX32 SampleCount;
};

struct TW_TRANSFORMSTAGE {
  TW_DECODEFUNCTION Decode[3];
  TW_FIX32 Mix[3][3];
};

struct TW_CIEPOINT {
  TW_FIX32 X;
  TW_FIX32 Y;
  TW_FIX32 Z;
};

struct TW_CIECOLOR {
  TW_UINT16 ColorSpace;
  TW_INT16 LowEndian;
  TW_INT16 DeviceDependent;
  TW_INT32 VersionNumber;
  TW_TRANSFORMSTAGE StageABC;
  TW_TRANSFORMSTAGE StageLMN;
  TW_CIEPOINT WhitePoint;
  TW_CIEPOINT BlackPoint;
  TW_CIEPOINT WhitePaper;
  TW_CIEPOINT BlackInk;
  TW_FIX32 Samples[1];
};

#pragma pack(pop)

typedef TW_IDENTITY* pTW_IDENTITY;

// The source manager's entry, which the data source calls back.
typedef TW_UINT16(TW_CALLINGSTYLE* DSMENTRYPROC)(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 dg,
                                                 TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// Published sizes.
static_assert(sizeof(TW_FIX32) == 4, "TW_FIX32");
static_assert(sizeof(TW_FRAME) == 16, "TW_FRAME");
static_assert(sizeof(TW_VERSION) == 42, "TW_VERSION");
static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE");
static_assert(offsetof(TW_ENUMERATION, ItemList) == 14, "TW_ENUMERATION");
static_assert(offsetof(TW_ARRAY, ItemList) == 6, "TW_ARRAY");
static_assert(sizeof(TW_RANGE) == 22, "TW_RANGE");
static_assert(sizeof(TW_STATUS) == 4, "TW_STATUS");
static_assert(sizeof(TW_PENDINGXFERS) == 6, "TW_PENDINGXFERS");
static_assert(sizeof(TW_SETUPMEMXFER) == 12, "TW_SETUPMEMXFER");
static_assert(sizeof(TW_SETUPFILEXFER) == 260, "TW_SETUPFILEXFER");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO");
static_assert(sizeof(TW_IMAGELAYOUT) == 28, "TW_IMAGELAYOUT");
static_assert(sizeof(TW_ELEMENT8) == 4, "TW_ELEMENT8");
static_assert(sizeof(TW_PALETTE8) == 1028, "TW_PALETTE8");
static_assert(sizeof(TW_CIECOLOR) == 326, "TW_CIECOLOR");
static_assert(offsetof(TW_IMAGEMEMXFER, Memory) == 26, "TW_IMAGEMEMXFER");
static_assert(sizeof(TW_CAPABILITY) == 4 + sizeof(TW_HANDLE), "TW_CAPABILITY");
static_assert(sizeof(TW_USERINTERFACE) == 4 + sizeof(TW_HANDLE), "TW_USERINTERFACE");
static_assert(sizeof(TW_EVENT) == sizeof(TW_MEMREF) + 2, "TW_EVENT");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(TW_CAPABILITY) == 8, "TW_CAPABILITY");
static_assert(sizeof(TW_USERINTERFACE) == 8, "TW_USERINTERFACE");
static_assert(sizeof(TW_EVENT) == 6, "TW_EVENT");
static_assert(sizeof(TW_MEMORY) == 12, "TW_MEMORY");
static_assert(sizeof(TW_IMAGEMEMXFER) == 38, "TW_IMAGEMEMXFER");
#endif

// Data groups.
enum : TW_UINT32 { DG_CONTROL = 0x0001, DG_IMAGE = 0x0002, DG_AUDIO = 0x0004 };

// Data argument types.
enum : TW_UINT16 {
  DAT_NULL = 0x0000,
  DAT_CAPABILITY = 0x0001,
  DAT_EVENT = 0x0002,
  DAT_IDENTITY = 0x0003,
  DAT_PARENT = 0x0004,
  DAT_PENDINGXFERS = 0x0005,
  DAT_SETUPMEMXFER = 0x0006,
  DAT_SETUPFILEXFER = 0x0007,
  DAT_STATUS = 0x0008,
  DAT_USERINTERFACE = 0x0009,
  DAT_XFERGROUP = 0x000a,
  DAT_IMAGEINFO = 0x0101,
  DAT_IMAGELAYOUT = 0x0102,
  DAT_IMAGEMEMXFER = 0x0103,
  DAT_IMAGENATIVEXFER = 0x0104,
  DAT_IMAGEFILEXFER = 0x0105,
  DAT_CIECOLOR = 0x0106,
  DAT_GRAYRESPONSE = 0x0107,
  DAT_RGBRESPONSE = 0x0108,
  DAT_JPEGCOMPRESSION = 0x0109,
  DAT_PALETTE8 = 0x010a,
};

// Messages.
enum : TW_UINT16 {
  MSG_NULL = 0x0000,
  MSG_GET = 0x0001,
  MSG_GETCURRENT = 0x0002,
  MSG_GETDEFAULT = 0x0003,
  MSG_GETFIRST = 0x0004,
  MSG_GETNEXT = 0x0005,
  MSG_SET = 0x0006,
  MSG_RESET = 0x0007,
  MSG_QUERYSUPPORT = 0x0008,
  MSG_XFERREADY = 0x0101,
  MSG_CLOSEDSREQ = 0x0102,
  MSG_CLOSEDSOK = 0x0103,
  MSG_OPENDSM = 0x0301,
  MSG_CLOSEDSM = 0x0302,
  MSG_OPENDS = 0x0401,
  MSG_CLOSEDS = 0x0402,
  MSG_USERSELECT = 0x0403,
  MSG_DISABLEDS = 0x0501,
  MSG_ENABLEDS = 0x0502,
  MSG_PROCESSEVENT = 0x0601,
  MSG_ENDXFER = 0x0701,
};

// Return codes.
enum : TW_UINT16 {
  TWRC_SUCCESS = 0,
  TWRC_FAILURE = 1,
  TWRC_CHECKSTATUS = 2,
  TWRC_CANCEL = 3,
  TWRC_DSEVENT = 4,
  TWRC_NOTDSEVENT = 5,
  TWRC_XFERDONE = 6,
  TWRC_ENDOFLIST = 7,
};

// Condition codes.
enum : TW_UINT16 {
  TWCC_SUCCESS = 0,
  TWCC_BUMMER = 1,
  TWCC_LOWMEMORY = 2,
  TWCC_NODS = 3,
  TWCC_MAXCONNECTIONS = 4,
  TWCC_OPERATIONERROR = 5,
  TWCC_BADCAP = 6,
  TWCC_BADPROTOCOL = 9,
  TWCC_BADVALUE = 10,
  TWCC_SEQERROR = 11,
  TWCC_BADDEST = 12,
  TWCC_CAPUNSUPPORTED = 13,
  TWCC_CAPBADOPERATION = 14,
  TWCC_CAPSEQERROR = 15,
};

// Item types.
enum : TW_UINT16 {
  TWTY_INT8 = 0x0000,
  TWTY_INT16 = 0x0001,
  TWTY_INT32 = 0x0002,
  TWTY_UINT8 = 0x0003,
  TWTY_UINT16 = 0x0004,
  TWTY_UINT32 = 0x0005,
  TWTY_BOOL = 0x0006,
  TWTY_FIX32 = 0x0007,
  TWTY_FRAME = 0x0008,
  TWTY_STR32 = 0x0009,
  TWTY_STR64 = 0x000a,
  TWTY_STR128 = 0x000b,
  TWTY_STR255 = 0x000c,
};

// Container types.
enum : TW_UINT16 { TWON_ARRAY = 3, TWON_ENUMERATION = 4, TWON_ONEVALUE = 5, TWON_RANGE = 6 };

// Operations a capability supports (MSG_QUERYSUPPORT).
enum : TW_UINT32 { TWQC_GET = 0x01, TWQC_SET = 0x02, TWQC_GETDEFAULT = 0x04, TWQC_GETCURRENT = 0x08, TWQC_RESET = 0x10 };

// Capabilities.
enum : TW_UINT16 {
  CAP_XFERCOUNT = 0x0001,
  ICAP_COMPRESSION = 0x0100,
  ICAP_PIXELTYPE = 0x0101,
  ICAP_UNITS = 0x0102,
  ICAP_XFERMECH = 0x0103,
  CAP_FEEDERENABLED = 0x1002,
  CAP_FEEDERLOADED = 0x1003,
  CAP_SUPPORTEDCAPS = 0x1005,
  CAP_AUTOFEED = 0x1007,
  CAP_INDICATORS = 0x100b,
  CAP_UICONTROLLABLE = 0x100e,
  CAP_DEVICEONLINE = 0x100f,
  ICAP_AUTOBRIGHT = 0x1100,
  ICAP_BRIGHTNESS = 0x1101,
  ICAP_CONTRAST = 0x1103,
  ICAP_HALFTONES = 0x1109,
  ICAP_HIGHLIGHT = 0x110a,
  ICAP_IMAGEFILEFORMAT = 0x110c,
  ICAP_ORIENTATION = 0x1110,
  ICAP_PHYSICALWIDTH = 0x1111,
  ICAP_PHYSICALHEIGHT = 0x1112,
  ICAP_SHADOW = 0x1113,
  ICAP_FRAMES = 0x1114,
  ICAP_XNATIVERESOLUTION = 0x1116,
  ICAP_YNATIVERESOLUTION = 0x1117,
  ICAP_XRESOLUTION = 0x1118,
  ICAP_YRESOLUTION = 0x1119,
  ICAP_MAXFRAMES = 0x111a,
  ICAP_BITORDER = 0x111c,
  ICAP_PIXELFLAVOR = 0x111f,
  ICAP_PLANARCHUNKY = 0x1120,
  ICAP_SUPPORTEDSIZES = 0x1122,
  ICAP_THRESHOLD = 0x1123,
  ICAP_XSCALING = 0x1124,
  ICAP_YSCALING = 0x1125,
  ICAP_BITDEPTH = 0x112b,
  ICAP_BITDEPTHREDUCTION = 0x112c,
  ICAP_UNDEFINEDIMAGESIZE = 0x112d,
  ICAP_MINIMUMHEIGHT = 0x1130,
  ICAP_MINIMUMWIDTH = 0x1131,
};

// Capability values.
enum : TW_UINT16 { TWPT_BW = 0, TWPT_GRAY = 1, TWPT_RGB = 2 };
enum : TW_UINT16 { TWSX_NATIVE = 0, TWSX_FILE = 1, TWSX_MEMORY = 2 };
enum : TW_UINT16 { TWFF_TIFF = 0, TWFF_BMP = 2 };
enum : TW_UINT16 { TWCP_NONE = 0 };
enum : TW_UINT16 { TWSS_USLETTER = 3 };
enum : TW_UINT16 { TWPA_RGB = 0 };
enum : TW_UINT16 { TWUN_INCHES = 0, TWUN_CENTIMETERS = 1, TWUN_PIXELS = 5 };
