// The conversion routine `Tolvex`: one straight sequence of numbered
// statements, each a few calls into the runtime layer. The numbers are the
// ones error reports show; numbers that are skipped (3 to 11, 13, ...) belong
// to lines of the routine that hold no executable statement.
#include "convert/tolvex_routine.h"

#include <cstddef>
#include <cstdint>

#include "convert/elevation_cell.h"
#include "convert/tile_corners.h"
#include "runtime/core/error_codes.h"

#include "runtime/frame/frame.h"
#include "runtime/frame/statement_hook.h"
#include "runtime/io/channel_table.h"
#include "runtime/io/console_output.h"
#include "runtime/io/console_prompt.h"
#include "runtime/io/io_context.h"
#include "runtime/io/line_reader.h"
#include "runtime/io/open_channel.h"
#include "runtime/io/read_items.h"
#include "runtime/io/write_binary.h"
#include "runtime/io/write_text.h"
#include "runtime/numeric/conversions.h"
#include "runtime/numeric/extended.h"
#include "runtime/numeric/float_unit.h"
#include "runtime/numeric/picture_format.h"
#include "runtime/numeric/value_of_text.h"
#include "runtime/text/int_array.h"
#include "runtime/text/string_stack.h"
#include "runtime/text/string_value.h"
#include "runtime/text/substring.h"

namespace tolvex::convert {

const core::ProgramRecord kTolvexProgram = {"Tolvex"};

namespace {

using numeric::Extended;
using text::ConstText;
using text::StringValue;

// ------------------------------------------------------------ constants
// The texts of the dialogue and the files, code page 932 bytes.
const StringValue kAskFileName = ConstText("File Name xxxxxx.XML");
// 標高　ｍ単位(1) or 10cm単位(2) :  (ideographic space, full-width ｍ)
const StringValue kAskUnit = ConstText(
    "\x95\x57\x8D\x82\x81\x40\x82\x8D\x92\x50\x88\xCA(1) or 10cm\x92\x50\x88\xCA(2) :");
const StringValue kAskFinished = ConstText("\x95\xCF\x8A\xB7\x8F\x88\x97\x9D\x8F\x49\x97\xB9");  // 変換処理終了
const StringValue kTileExtension = ConstText(".xml");
// .xmlを読み込み中
const StringValue kReading = ConstText(".xml\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x92\x86");
// .bil ファイル出力中 (one ASCII blank after .bil)
const StringValue kWriting =
    ConstText(".bil \x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x92\x86");
const StringValue kRasterExtension = ConstText(".bil");
const StringValue kHeaderExtension = ConstText(".hdr");
const StringValue kLowerCorner = ConstText("lowerCorner");
const StringValue kUpperCorner = ConstText("upperCorner");
const StringValue kBlank = ConstText(" ");
const StringValue kTagOpen = ConstText("<");

// The twelve header lines; 8 to 11 are a key followed by a formatted number.
const StringValue kHeaderRows = ConstText("nrows 750");
const StringValue kHeaderColumns = ConstText("ncols 1125");
const StringValue kHeaderBands = ConstText("nbands 1");
const StringValue kHeaderBits = ConstText("nbits 16");
const StringValue kHeaderNoData = ConstText("nodata = -9999");
const StringValue kHeaderByteOrder = ConstText("byteorder I");
const StringValue kHeaderLayout = ConstText("layout bil");
const StringValue kHeaderUlx = ConstText("ulxmap");
const StringValue kHeaderUly = ConstText("ulymap");
const StringValue kHeaderXdim = ConstText("xdim");
const StringValue kHeaderYdim = ConstText("ydim");
const StringValue kHeaderSkip = ConstText("skipbytes 0");
// The pictures leave one unused leading position, which becomes the blank
// between key and number.
const StringValue kLongitudePicture = ConstText("####.##########");
const StringValue kLatitudePicture = ConstText("###.##########");
const StringValue kCellPicture = ConstText("##.###########");

constexpr int16_t kRows = 750;
constexpr int16_t kColumns = 1125;
constexpr int16_t kHeaderLines = 47;
constexpr double kCellSize = 0.0001111111111;  // degrees, both directions
// grid(row, column + 1) lies one whole column after grid(row, column): the
// first index varies fastest, over 0..750.
constexpr ptrdiff_t kGridColumnStride = (kRows + 1) * sizeof(int16_t);

constexpr int16_t kTileChannel = 1;
constexpr int16_t kOutputChannel = 2;

// ------------------------------------------------------------ variables
// The routine's variables, global to it and alive for the whole run.
struct Variables {
  StringValue base_name;
  int16_t unit_factor = 0;
  float header_counter = 0;
  StringValue line_text;
  int16_t first_mark = 0;
  int16_t second_mark = 0;
  StringValue longitude_text;
  StringValue latitude_text;
  double west_longitude = 0;
  double north_latitude = 0;
  double cell_width = 0;
  double cell_height = 0;
  float elevation = 0;
  int16_t row = 0;
  int16_t column = 0;
  int16_t step = 1;  // the step variable of the counted loops
  text::ArrayDescriptor grid;
  text::BoundsRecord grid_bounds;
};

Variables vars;

// Item lists of the four reads; entries stand in reverse order.
const io::InputItem kBaseNameItems[] = {{&vars.base_name, io::kItemString}};
const io::InputItem kUnitItems[] = {{&vars.unit_factor, io::kItemInt16}};
const io::InputItem kEntryItems[] = {{&vars.elevation, io::kItemSingle},
                                     {&vars.line_text, io::kItemString}};
const io::InputItem kAnswerItems[] = {{&vars.line_text, io::kItemString}};

// The channel list of CloseChannels for the output channel.
const uint32_t kOutputChannelList[] = {kOutputChannel};

// ------------------------------------------------------------ helpers
// What the compiled routine does at every statement boundary.
void Statement(int16_t number) {
  frame::StatementHook();
  core::SetStatementNumber(number);
}

// The grid's request record, as the compiled routine keeps it in its data:
// the element type and count fixed, the numbers filled in before each call.
text::ElementRequest grid_request;

text::ElementRequest& GridRequest() {
  grid_request.element_type = text::kElementInt16;
  grid_request.dimension_count = 2;
  grid_request.element_size = 2;
  grid_request.descriptor = &vars.grid;
  grid_request.bounds = &vars.grid_bounds;
  return grid_request;
}

// The grid element (row, column), bounds checked by IntElement. The indexes
// are the int16 variables widened with their sign.
int16_t* GridElement(int16_t row, int16_t column) {
  grid_request.numbers[0] = static_cast<uint32_t>(static_cast<int32_t>(row));
  grid_request.numbers[1] = static_cast<uint32_t>(static_cast<int32_t>(column));
  return static_cast<int16_t*>(text::IntElement(grid_request));
}

void AskQuestion(const StringValue& prompt, const io::InputItem* items, uint32_t count) {
  text::PushConstText(prompt);
  io::ConsolePrompt(0, 2);
  io::ReadItems(io::ItemList{count, items});
}

void ShowLine(const StringValue& suffix) {
  io::SelectConsole(0);
  text::PushVarText(&vars.base_name);
  text::PushConstText(suffix);
  text::ConcatText();
  io::WriteText(0);
}

void PushFileName(const StringValue& extension) {
  text::PushVarText(&vars.base_name);
  text::PushConstText(extension);
  text::ConcatText();
}

void WriteHeaderLine(const StringValue& line) {
  io::SelectOutputChannel(kOutputChannel);
  text::PushConstText(line);
  io::WriteText(0);
}

// key + FormatPicture(value, picture): the number is computed first, the
// picture pushed after it.
void WriteHeaderNumber(const StringValue& key, Extended value, const StringValue& picture) {
  io::SelectOutputChannel(kOutputChannel);
  text::PushConstText(key);
  text::PushConstText(picture);
  numeric::FormatPicture(value);
  text::ConcatText();
  io::WriteText(0);
}

// An arithmetic step of the routine: the result stays extended, the float
// unit's flags are checked at once.
Extended Checked(Extended value) {
  numeric::CheckFloat();
  return value;
}

Extended Int(int32_t value) { return Extended::FromInt(value); }

// FindText position stored into an int16 variable.
int16_t Find(const StringValue& needle, StringValue* haystack, int16_t start) {
  text::PushConstText(needle);
  text::PushVarText(haystack);
  uint32_t position = text::FindText(static_cast<uint32_t>(static_cast<int32_t>(start)));
  return numeric::LongToInt16(static_cast<int32_t>(position));
}

bool Contains(const StringValue& needle) {
  text::PushConstText(needle);
  text::PushVarText(&vars.line_text);
  return text::FindText(1) > 0;
}

}  // namespace

// ============================================================ the routine
void Tolvex() {
  vars = Variables{};
  core::RegisterCurrentModule(&kTolvexProgram);

  // -------------------------------------------------------- dialogue
  Statement(1);  // grid(750, 1125), zero-filled
  {
    text::ElementRequest& request = GridRequest();
    request.numbers[0] = kRows;
    request.numbers[1] = kColumns;
    text::DimIntArray(request);
  }

  Statement(12);
  AskQuestion(kAskFileName, kBaseNameItems, 1);

  Statement(14);

ask_unit:
  Statement(15);
  AskQuestion(kAskUnit, kUnitItems, 1);

  Statement(16);
  if (vars.unit_factor == 1 || vars.unit_factor == 2) goto unit_ok;
  Statement(17);
  goto ask_unit;

unit_ok:
  Statement(19);
  if (vars.unit_factor == 2) vars.unit_factor = kTenthsFactor;

  // -------------------------------------------------------- reading
  Statement(24);
  PushFileName(kTileExtension);
  io::OpenChannel(io::kModeSequentialInput, io::kShareReadWrite, kTileChannel, 0, 0);

  Statement(26);
  ShowLine(kReading);

  Statement(28);  // For header counter = 1 To 47 (a single)
  vars.header_counter = 1;
  while (vars.header_counter <= kHeaderLines) {
    Statement(29);
    io::SelectLineSource(kTileChannel);
    io::ReadLine(&vars.line_text);

    Statement(30);
    if (Contains(kLowerCorner)) {
      Statement(31);
      vars.first_mark = Find(kBlank, &vars.line_text, 1);
      Statement(32);
      vars.second_mark = Find(kTagOpen, &vars.line_text, vars.first_mark);
      Statement(33);
      {
        Extended start = Checked(Int(vars.first_mark) + Int(1));
        Extended length = Checked(Checked(Int(vars.second_mark) - Int(vars.first_mark)) - Int(1));
        text::PushVarText(&vars.line_text);
        int32_t start_arg = numeric::ArgToInt32(start);
        int32_t length_arg = numeric::ArgToInt32(length);
        text::MidText(static_cast<uint32_t>(start_arg), static_cast<uint32_t>(length_arg));
        text::AssignText(&vars.longitude_text);
      }
    }
    Statement(34);  // End If

    Statement(35);
    if (Contains(kUpperCorner)) {
      Statement(36);
      vars.first_mark = 17;  // the opening tag is 17 characters long
      Statement(37);
      vars.second_mark = Find(kBlank, &vars.line_text, vars.first_mark);
      Statement(38);
      {
        Extended length = Checked(Int(vars.second_mark) - Int(18));
        text::PushVarText(&vars.line_text);
        int32_t length_arg = numeric::ArgToInt32(length);
        text::MidText(18, static_cast<uint32_t>(length_arg));
        text::AssignText(&vars.latitude_text);
      }
    }
    Statement(39);  // End If

    // Both values on every pass: those after the 47th pass count.
    Statement(41);
    text::PushVarText(&vars.longitude_text);
    vars.west_longitude = numeric::ValueOfText().ToDouble();
    numeric::CheckFloat();
    frame::StatementHook();
    text::PushVarText(&vars.latitude_text);
    vars.north_latitude = numeric::ValueOfText().ToDouble();
    numeric::CheckFloat();

    Statement(42);
    vars.cell_width = kCellSize;
    frame::StatementHook();
    vars.cell_height = kCellSize;

    Statement(51);  // Next: the counter steps as a single
    vars.header_counter = (Extended::FromSingle(vars.header_counter) + Int(1)).ToSingle();
    numeric::CheckFloat();
  }

  // A header misread (corner lines indented with blanks, beyond line 47, or
  // not numbers) leaves corners that no tile has: stop before anything is
  // written rather than place the raster somewhere wrong.
  Statement(52);
  if (!IsPlausibleCorner(vars.west_longitude, vars.north_latitude)) {
    core::RaiseError(core::kErrIllegalArgument, core::kLocTileCorners);
  }

  Statement(53);  // For row = 1 To 750
  vars.row = 1;
  while (vars.row <= kRows) {
    Statement(54);  // For column = 1 To 1125
    vars.column = 1;
    while (vars.column <= kColumns) {
      Statement(55);
      io::SelectItemSource(kTileChannel);
      io::ReadItems(io::ItemList{2, kEntryItems});

      Statement(56);
      if (IsNoData(vars.elevation)) {
        Statement(57);
        *GridElement(vars.row, vars.column) = kNoData;
      } else {
        Statement(58);  // Else
        // Statements 59 and 60 read no status: no reported flag can stand
        // there. Their steps run in double precision (elevation_cell.h),
        // which touches no flag of the x87 unit; and since the check of
        // statement 51 only ReadItems has used that unit, whose conversion
        // takes back the flags it raises and whose store of a single is
        // exact. Nor would the x87 steps these stand for raise a reported
        // flag for any finite single whose cell fits (elevation_cell_test),
        // and a read elevation is always finite.
        Statement(59);
        if (vars.unit_factor == kMetresFactor) {
          // Rounded to single here, before the product below.
          vars.elevation = AddHalf(vars.elevation);
        }
        Statement(60);
        {
          // The product stays extended: 12.7 m (12.69999981 as a single)
          // gives 126 tenths.
          int16_t value = 0;
          const bool fits = ScaledCell(vars.elevation, vars.unit_factor, &value);
          if (!fits) core::RaiseError(core::kErrOverflow, core::kLocToInt16);
          *GridElement(vars.row, vars.column) = value;
        }
      }
      Statement(61);  // End If

      Statement(62);
      numeric::NextCounter(&vars.column, vars.step);
    }
    Statement(63);
    numeric::NextCounter(&vars.row, vars.step);
  }

  // -------------------------------------------------------- writing
  Statement(65);
  ShowLine(kWriting);

  Statement(66);
  PushFileName(kRasterExtension);
  io::OpenChannel(io::kModeBinaryOutput, io::kShareReadWrite, kOutputChannel, 0, 0);

  Statement(67);  // For row = 1 To 750
  vars.row = 1;
  while (vars.row <= kRows) {
    Statement(68);  // For column = 1 To 1125
    // Statements 69 (the write of grid(row, column)) and 70 (Next) of the
    // whole row in one call, which writes the bytes and raises the errors
    // of the 1125 writes, so an error still stands at 69. No statement
    // boundary lies between them; the column ends past the last, as Next
    // leaves it.
    Statement(69);
    io::WriteBinaryElements(kOutputChannel, 2, kColumns, GridElement(vars.row, 1),
                            kGridColumnStride);
    vars.column = kColumns + 1;
    Statement(71);
    numeric::NextCounter(&vars.row, vars.step);
  }

  Statement(72);
  io::CloseChannels(1, kOutputChannelList);

  Statement(74);
  PushFileName(kHeaderExtension);
  io::OpenChannel(io::kModeSequentialOutput, io::kShareRead, kOutputChannel, 0, 0);

  Statement(75);
  WriteHeaderLine(kHeaderRows);
  Statement(76);
  WriteHeaderLine(kHeaderColumns);
  Statement(77);
  WriteHeaderLine(kHeaderBands);
  Statement(78);
  WriteHeaderLine(kHeaderBits);
  Statement(79);
  WriteHeaderLine(kHeaderNoData);
  Statement(80);
  WriteHeaderLine(kHeaderByteOrder);
  Statement(81);
  WriteHeaderLine(kHeaderLayout);
  // The map position is the centre of the upper-left cell: half a cell east
  // of the west edge and half a cell south of the north edge.
  Statement(82);
  WriteHeaderNumber(kHeaderUlx,
                    Checked(Extended::FromDouble(vars.west_longitude) +
                            Checked(Extended::FromDouble(vars.cell_width) / Int(2))),
                    kLongitudePicture);
  Statement(83);
  WriteHeaderNumber(kHeaderUly,
                    Checked(Extended::FromDouble(vars.north_latitude) -
                            Checked(Extended::FromDouble(vars.cell_height) / Int(2))),
                    kLatitudePicture);
  Statement(84);
  WriteHeaderNumber(kHeaderXdim, Extended::FromDouble(vars.cell_width),
                    kCellPicture);
  Statement(85);
  WriteHeaderNumber(kHeaderYdim, Extended::FromDouble(vars.cell_height),
                    kCellPicture);
  Statement(86);
  WriteHeaderLine(kHeaderSkip);

  Statement(87);
  io::CloseChannels(1, kOutputChannelList);

  Statement(93);
  io::CloseChannels(0, nullptr);

  // -------------------------------------------------------- final wait
  Statement(95);
  AskQuestion(kAskFinished, kAnswerItems, 1);

  Statement(97);
  frame::EndProgram(0);
  frame::StatementHook();  // never reached
}

}  // namespace tolvex::convert
