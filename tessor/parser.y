%{
// The script grammar: one directive per line, checked and collected in pass 1,
// written in pass 2. Every action hands the result of what it did to the
// reporter with the line on which its directive stands.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "consts.h"
#include "gen_state.h"
#include "image.h"
#include "options.h"
#include "report.h"
#include "scanner.h"
#include "script_parser.h"
#include "voices.h"

int yylex(void);
void yyerror(const char* message);

// The parser's own copy of a name or literal that must outlive the scanning
// of the rest of its line.
static char saved_name[kTokenTextSize];

// What the start rule returns: the error count at the end of the pass.
static int pass_result = -1;

static void save_text(const char* text) {
    // Not strncpy: it would fill the rest of the buffer with zeros every time.
    size_t length = strnlen(text, sizeof saved_name - 1);
    memcpy(saved_name, text, length);
    saved_name[length] = '\0';
}

// $n as a quoted literal: the command-line word between double quotes, cut to
// what the buffer holds (the closing quote is always kept).
static const char* save_param_literal(int n) {
    const std::string& word = gen_state.script_params[n];
    size_t room = sizeof saved_name - 3;
    size_t length = word.size() < room ? word.size() : room;
    saved_name[0] = '"';
    memcpy(saved_name + 1, word.data(), length);
    saved_name[length + 1] = '"';
    saved_name[length + 2] = '\0';
    return saved_name;
}

static int param_number(int n, int line) {
    if (n >= gen_state.param_count) {
        report_error(kErrNeedParam, line, nullptr);
        return kMissingValue;
    }
    int value = -1;
    report_error(parse_number_text(gen_state.script_params[n].c_str(), &value), line, nullptr);
    return value;
}

static int divide(int left, int right, int line) {
    if (right == 0 || (left == INT_MIN && right == -1)) {
        report_error(kErrDivision, line, nullptr);
        return 0;
    }
    return left / right;
}

static bool pass1() { return gen_state.pass == 1; }

// Past its first 200 entries the parser's stack lives on the heap. A fatal
// scanner stop can throw out of yyparse, which then never frees it, so the
// block in use is remembered here for run_script_parser to free.
static void* parser_stack_block = nullptr;

static void* parser_stack_alloc(size_t size) {
    void* block = malloc(size);
    if (block) parser_stack_block = block;
    return block;
}

static void parser_stack_free(void* block) {
    if (block == parser_stack_block) parser_stack_block = nullptr;
    free(block);
}

#define YYMALLOC parser_stack_alloc
#define YYFREE parser_stack_free
%}

%define parse.error custom
%locations

%union {
    int ival;
    const char* text;
}

%token <ival> T_NUM 258
%token <ival> T_PARM_NUM 259
%token <ival> T_PARM_LITERAL 260
%token <text> T_LITERAL 261
%token <text> T_USR_VAR 262
%token T_DEFEINE 263
%token T_ADPCM 264
%token T_PCM 265
%token T_SILENCE 266
%token T_EQ01 267
%token T_GLOBAL 268
%token T_SECTION 269
%token T_OFFSET 270
%token T_RAMPEN 271
%token T_SBTMAX 272
%token T_MAXSIZE 273
%token T_GRPADR 274
%token T_CPU 275
%token T_ENCODER 276
%token T_RCK 277
%token T_FUNCCODE 278
%token T_EDGE 279
%token T_HOLD 280
%token T_RETRG 281
%token T_GROUPS 282
%token T_REMARK 283
%token T_UNKNOW 284

%token '='
%left '|'
%left '^'
%left '&'
%left '-' '+'
%left '*' '/'
%precedence NEG
%token '\n' '[' ']' '(' ')' ':' ',' '$'

%type <ival> exp expg

%start Start

%%

Start
    : program {
          // A failed write of the header or tables is an error of the run,
          // reported on the script's last line.
          if (pass1() && gen_state.error_count == 0)
              report_error(write_image_header(), script_last_line(), nullptr);
          pass_result = gen_state.error_count;
      }
    ;

program
    : %empty
    | program codeline
    | program errorline
    ;

lineend
    : '\n'
    | T_REMARK '\n'
    ;

codeline
    : lineend
    | rule01
    | rule02
    | rule03
    | rule04
    | rule05
    | rule11
    | rule12
    ;

rule01
    : T_DEFEINE T_USR_VAR { save_text($2); } '=' exp lineend {
          if (pass1()) report_error(add_const(saved_name, $5), @1.first_line, saved_name);
      }
    | T_DEFEINE error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

rule02
    : T_SILENCE T_USR_VAR { save_text($2); } '=' exp lineend {
          if (pass1())
              report_error(define_voice(saved_name, nullptr, kVoiceSilence, $5), @1.first_line, nullptr);
          else
              report_error(write_voice(saved_name), @1.first_line, nullptr);
      }
    | T_SILENCE error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

rule03
    : T_ADPCM T_USR_VAR { save_text($2); } '=' T_LITERAL lineend {
          voice_line(saved_name, $5, kVoiceAdpcm, @1.first_line);
      }
    | T_ADPCM error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

rule04
    : T_PCM T_USR_VAR { save_text($2); } '=' T_LITERAL lineend {
          voice_line(saved_name, $5, kVoicePcm, @1.first_line);
      }
    | T_PCM error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

rule05
    : T_EQ01 T_USR_VAR { save_text($2); } '=' T_LITERAL lineend {
          voice_line(saved_name, $5, kVoiceEq01, @1.first_line);
      }
    | T_EQ01 error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

rule11
    : T_GLOBAL T_RAMPEN '=' T_LITERAL lineend {
          if (pass1()) report_error(set_ramp_enable($4), @1.first_line, nullptr);
      }
    | T_GLOBAL T_SBTMAX '=' exp lineend { if (pass1()) gen_state.sbt_max = $4; }
    | T_GLOBAL T_RCK '=' exp lineend { if (pass1()) gen_state.rck = $4; }
    | T_GLOBAL T_FUNCCODE '=' exp lineend { if (pass1()) gen_state.func_code = $4; }
    | T_GLOBAL T_OFFSET '=' exp lineend { if (pass1()) gen_state.image_offset = $4; }
    | T_GLOBAL T_MAXSIZE '=' exp lineend { if (pass1()) gen_state.max_size = $4; }
    | T_GLOBAL T_GRPADR '=' exp lineend {
          if (pass1()) {
              gen_state.grp_adr = $4;
              if ($4 < 1 || $4 > 4) report_error(kErrGrpAdr, @1.first_line, nullptr);
          }
      }
    | T_GLOBAL T_CPU '=' T_LITERAL lineend {
          if (pass1()) report_error(select_cpu($4), @1.first_line, nullptr);
      }
    | T_GLOBAL T_CPU '=' T_PARM_LITERAL lineend {
          if (pass1()) report_error(select_cpu(save_param_literal($4)), @1.first_line, nullptr);
      }
    | T_GLOBAL T_ENCODER '=' exp T_LITERAL { save_text($5); } exp lineend {
          if (pass1()) report_error(set_encoder($4, saved_name, $7), @1.first_line, nullptr);
      }
    | T_GLOBAL T_ENCODER '=' exp T_PARM_LITERAL exp lineend {
          if (pass1())
              report_error(set_encoder($4, save_param_literal($5), $6), @1.first_line, nullptr);
      }
    | T_GLOBAL error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

rule12
    : T_SECTION '[' exp ']' T_EDGE '=' T_LITERAL lineend {
          if (pass1()) report_error(set_section_option($3, 1, $7), @1.first_line, nullptr);
      }
    | T_SECTION '[' exp ']' T_HOLD '=' T_LITERAL lineend {
          if (pass1()) report_error(set_section_option($3, 2, $7), @1.first_line, nullptr);
      }
    | T_SECTION '[' exp ']' T_RETRG '=' T_LITERAL lineend {
          if (pass1()) report_error(set_section_option($3, 4, $7), @1.first_line, nullptr);
      }
    | T_SECTION '[' exp ']' T_GROUPS '=' T_USR_VAR { save_text($7); } '(' exp ')' ':' exp lineend {
          group_line($3, saved_name, $10, $13, @1.first_line);
      }
    | T_SECTION error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

exp
    : T_USR_VAR { $$ = find_const($1, @1.first_line); }
    | expg { $$ = $1; }
    ;

expg
    : T_NUM { $$ = $1; }
    | T_PARM_NUM { $$ = param_number($1, @1.first_line); }
    | exp '|' exp { $$ = $1 | $3; }
    | exp '^' exp { $$ = $1 ^ $3; }
    | exp '&' exp { $$ = $1 & $3; }
    | exp '-' exp { $$ = wrap32(int64_t($1) - $3); }
    | exp '+' exp { $$ = wrap32(int64_t($1) + $3); }
    | exp '*' exp { $$ = wrap32(int64_t($1) * $3); }
    | exp '/' exp { $$ = divide($1, $3, @2.first_line); }
    | '-' exp %prec NEG { $$ = wrap32(-int64_t($2)); }
    | '(' exp ')' { $$ = $2; }
    ;

unmatch
    : T_NUM | T_PARM_NUM | T_PARM_LITERAL | T_LITERAL | T_USR_VAR
    | T_OFFSET | T_RAMPEN | T_SBTMAX | T_MAXSIZE | T_GRPADR | T_CPU | T_ENCODER | T_RCK
    | T_FUNCCODE | T_EDGE | T_HOLD | T_RETRG | T_GROUPS | T_UNKNOW
    | '=' | '|' | '^' | '&' | '-' | '+' | '*' | '/'
    | '[' | ']' | '(' | ')' | ':' | ',' | '$'
    ;

errorline
    : unmatch error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
      /* A line that begins with a character the grammar has no token for. */
    | error lineend { report_error(kErrSyntax, @1.first_line, nullptr); yyerrok; }
    ;

%%

// The parser's messages name tokens as the grammar's token table does, with
// "$end" for the end of the script and "$undefined" for an unknown character.
static std::string symbol_name(yysymbol_kind_t kind) {
    switch (kind) {
    case YYSYMBOL_YYEOF: return "$end";
    case YYSYMBOL_YYerror: return "error";
    case YYSYMBOL_YYUNDEF: return "$undefined";
    default: return yysymbol_name(kind);
    }
}

static int yyreport_syntax_error(const yypcontext_t* context) {
    std::string message = "syntax error";
    yysymbol_kind_t found = yypcontext_token(context);
    if (found != YYSYMBOL_YYEMPTY) {
        message += ", unexpected " + symbol_name(found);
        // Up to four alternatives are listed; with more the message names none.
        yysymbol_kind_t expected[4];
        int count = yypcontext_expected_tokens(context, expected, 4);
        for (int i = 0; i < count; ++i)
            message += (i == 0 ? ", expecting " : " or ") + symbol_name(expected[i]);
    }
    report_error(kReportPlain, 0, message.c_str());
    return 0;
}

void yyerror(const char* message) { report_error(kReportPlain, 0, message); }

int run_script_parser() {
    pass_result = -1;
    int status;
    try {
        status = yyparse();
    } catch (...) {
        parser_stack_free(parser_stack_block);
        throw;
    }
    // The start rule sets the result; a parser that gave up never reached it
    // and its own status counts as that many errors.
    return status == 0 ? pass_result : status;
}
