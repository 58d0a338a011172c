// The layout of a firm database: the six tables the host reads and the
// user_version that marks this layout.  Executing the text on an empty SQLite
// database makes an empty firm.
#pragma once

inline constexpr int kFirmLayoutVersion = 1;

inline constexpr const char* kFirmSchemaSql = R"sql(
CREATE TABLE contractor (            -- host table 35
  number     INTEGER PRIMARY KEY,    -- signed 32-bit; > 0 firm, < 0 natural person; never 0
  short_name TEXT NOT NULL DEFAULT '',   -- room 16 characters
  full_name  TEXT NOT NULL DEFAULT '',   -- room 100
  address    TEXT NOT NULL DEFAULT '',   -- room 50; one line: street, postal code and city, either order
  nip        TEXT NOT NULL DEFAULT ''    -- room 30; tax number as typed, separators allowed
);

CREATE TABLE purchase_invoice (      -- host table 52, document kind 713
  document_key         INTEGER NOT NULL,          -- signed 32-bit; 0 = no key
  period_date          TEXT NOT NULL DEFAULT '',  -- decides the export's date range
  issue_date           TEXT NOT NULL DEFAULT '',
  receipt_date         TEXT NOT NULL DEFAULT '',
  id1                  INTEGER NOT NULL DEFAULT 0,  -- identifier number 1, unsigned 32-bit
  id2                  INTEGER NOT NULL DEFAULT 0,  -- identifier number 2, unsigned 32-bit
  contractor           INTEGER NOT NULL DEFAULT 0,  -- contractor number, signed 32-bit; 0 = none
  transaction_text     TEXT NOT NULL DEFAULT '',    -- room 40
  nip                  TEXT NOT NULL DEFAULT '',    -- room 13
  payment_days         INTEGER NOT NULL DEFAULT 0,  -- 0..65535
  amount               REAL NOT NULL DEFAULT 0,
  comment              TEXT NOT NULL DEFAULT '',    -- room 60
  other_deduction_date INTEGER NOT NULL DEFAULT 0,  -- 0..255; not 0 = VAT deducted on another date
  entry_mode           INTEGER NOT NULL DEFAULT 0,  -- 0..65535; bit 0 clear = line amounts include VAT
  deduction_setting    INTEGER NOT NULL DEFAULT 0   -- signed 16-bit; 2 or more = nothing deductible
);

CREATE TABLE purchase_correction (   -- host table 54, document kind 109
  document_key         INTEGER NOT NULL,
  document_date        TEXT NOT NULL DEFAULT '',  -- period, issue and receipt date at once
  id1                  INTEGER NOT NULL DEFAULT 0,
  id2                  INTEGER NOT NULL DEFAULT 0,
  contractor           INTEGER NOT NULL DEFAULT 0,
  transaction_text     TEXT NOT NULL DEFAULT '',    -- room 40
  nip                  TEXT NOT NULL DEFAULT '',    -- room 15
  payment_days         INTEGER NOT NULL DEFAULT 0,
  amount               REAL NOT NULL DEFAULT 0,
  comment              TEXT NOT NULL DEFAULT '',    -- room 60
  other_deduction_date INTEGER NOT NULL DEFAULT 0,
  entry_mode           INTEGER NOT NULL DEFAULT 0,
  deduction_setting    INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE vat_line (              -- the VAT lines of both document kinds
  document_kind  TEXT NOT NULL CHECK (document_kind IN ('invoice', 'correction')),
  document_key   INTEGER NOT NULL,
  line_no        INTEGER NOT NULL,            -- the host's order of the document's lines
  in_use         INTEGER NOT NULL DEFAULT 1,  -- 0 = the line is ignored
  amount         REAL NOT NULL DEFAULT 0,     -- gross or net, by the document's entry_mode
  rate_code      INTEGER NOT NULL,            -- signed 16-bit VAT rate code
  vat            REAL NOT NULL DEFAULT 0,
  purchase_kind  INTEGER NOT NULL DEFAULT 0,  -- signed 16-bit index into the purchase-kind codes
  deduction_kind INTEGER NOT NULL DEFAULT 0,  -- signed 16-bit
  PRIMARY KEY (document_kind, document_key, line_no)
);

CREATE TABLE vat_rate (              -- what the host reports as the rate of a code
  code    INTEGER PRIMARY KEY,       -- signed 16-bit
  percent REAL NOT NULL
);

CREATE TABLE settings_block (        -- the host's numbered settings blocks, raw bytes
  number INTEGER PRIMARY KEY,        -- 2: purchase-kind names, 90 texts of 11 bytes; 13: purchase-kind codes, 544 bytes
  data   BLOB NOT NULL
);

PRAGMA user_version = 1;
)sql";
