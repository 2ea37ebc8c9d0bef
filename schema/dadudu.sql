-- The catalogue: six tables. Identifiers are AUTOINCREMENT so a deleted row's number is never given
-- again (an audio CD's number names its cover file). Text sizes are checked by the engine, so an
-- over-long value fails the statement with the engine's own message. The engine measures a text
-- only up to a NUL character, so a text holding one would pass the size checks: none is stored.
-- Text compares without regard to case, as the catalogue always did.
--
-- Another program may share the file: the keys make a CD stored for an artist that program has just
-- deleted fail, where it would otherwise be kept with no artist, in no list, beyond deleting. They
-- take no action of their own on a delete; the program deletes children before their parent.

CREATE TABLE ARTISTE (
  ART_ID   INTEGER PRIMARY KEY AUTOINCREMENT,
  ART_NAME TEXT COLLATE NOCASE,
  CONSTRAINT "ARTISTE.ART_NAME is longer than 255 characters" CHECK (length(ART_NAME) <= 255),
  CONSTRAINT "ARTISTE.ART_NAME holds a NUL character" CHECK (instr(ART_NAME, char(0)) = 0)
)
;
CREATE TABLE CDAUDIO (
  CD_ID    INTEGER PRIMARY KEY AUTOINCREMENT,
  CD_LABEL TEXT COLLATE NOCASE,
  ART_ID   INTEGER REFERENCES ARTISTE (ART_ID),
  BARCODE  TEXT COLLATE NOCASE,
  YEAR     TEXT COLLATE NOCASE,
  LIMITED  INTEGER NOT NULL DEFAULT 0,
  COMMENTS TEXT,
  CONSTRAINT "CDAUDIO.CD_LABEL is longer than 255 characters" CHECK (length(CD_LABEL) <= 255),
  CONSTRAINT "CDAUDIO.BARCODE is longer than 14 characters" CHECK (length(BARCODE) <= 14),
  CONSTRAINT "CDAUDIO.YEAR is longer than 5 characters" CHECK (length(YEAR) <= 5),
  CONSTRAINT "CDAUDIO.LIMITED holds only true or false" CHECK (LIMITED IN (0, 1)),
  CONSTRAINT "CDAUDIO.ART_ID is not a whole number" CHECK (ART_ID IS NULL OR typeof(ART_ID) = 'integer'),
  CONSTRAINT "CDAUDIO.CD_LABEL holds a NUL character" CHECK (instr(CD_LABEL, char(0)) = 0),
  CONSTRAINT "CDAUDIO.BARCODE holds a NUL character" CHECK (instr(BARCODE, char(0)) = 0),
  CONSTRAINT "CDAUDIO.YEAR holds a NUL character" CHECK (instr(YEAR, char(0)) = 0),
  CONSTRAINT "CDAUDIO.COMMENTS holds a NUL character" CHECK (instr(COMMENTS, char(0)) = 0)
)
;
CREATE INDEX CDAUDIO_ART_ID ON CDAUDIO (ART_ID)
;
CREATE TABLE TRACK (
  TR_ID    INTEGER PRIMARY KEY AUTOINCREMENT,
  TR_LABEL TEXT COLLATE NOCASE,
  CD_ID    INTEGER REFERENCES CDAUDIO (CD_ID),
  CONSTRAINT "TRACK.TR_LABEL is longer than 255 characters" CHECK (length(TR_LABEL) <= 255),
  CONSTRAINT "TRACK.TR_LABEL holds a NUL character" CHECK (instr(TR_LABEL, char(0)) = 0)
)
;
CREATE INDEX TRACK_CD_ID ON TRACK (CD_ID)
;
CREATE TABLE MOVIE (
  MOV_ID    INTEGER PRIMARY KEY AUTOINCREMENT,
  MOV_TITLE TEXT COLLATE NOCASE,
  MOV_TYPE  TEXT COLLATE NOCASE,
  CONSTRAINT "MOVIE.MOV_TITLE is longer than 255 characters" CHECK (length(MOV_TITLE) <= 255),
  CONSTRAINT "MOVIE.MOV_TYPE is longer than 255 characters" CHECK (length(MOV_TYPE) <= 255),
  CONSTRAINT "MOVIE.MOV_TITLE holds a NUL character" CHECK (instr(MOV_TITLE, char(0)) = 0),
  CONSTRAINT "MOVIE.MOV_TYPE holds a NUL character" CHECK (instr(MOV_TYPE, char(0)) = 0)
)
;
CREATE TABLE DATACD (
  CD_ID    INTEGER PRIMARY KEY AUTOINCREMENT,
  CD_TITLE TEXT COLLATE NOCASE,
  CONSTRAINT "DATACD.CD_TITLE is longer than 255 characters" CHECK (length(CD_TITLE) <= 255),
  CONSTRAINT "DATACD.CD_TITLE holds a NUL character" CHECK (instr(CD_TITLE, char(0)) = 0)
)
;
CREATE TABLE DATA (
  DATA_ID    INTEGER PRIMARY KEY AUTOINCREMENT,
  DATA_LABEL TEXT COLLATE NOCASE,
  CD_ID      INTEGER REFERENCES DATACD (CD_ID),
  CONSTRAINT "DATA.DATA_LABEL is longer than 255 characters" CHECK (length(DATA_LABEL) <= 255),
  CONSTRAINT "DATA.DATA_LABEL holds a NUL character" CHECK (instr(DATA_LABEL, char(0)) = 0)
)
;
CREATE INDEX DATA_CD_ID ON DATA (CD_ID)
;
-- The file's version, in its header: 1 was the same tables without keys and NUL checks, and the
-- program upgrades such a file when it opens it, after a copy of it beside it.
PRAGMA user_version = 2
;
