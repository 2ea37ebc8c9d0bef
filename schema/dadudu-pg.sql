-- The catalogue on a PostgreSQL server: the same six tables, names and checks as a catalogue file,
-- and the covers, which a file keeps in a folder beside it.
-- Identifiers come from sequences, which never give a number twice (an audio CD's number names its
-- cover file). Texts are citext, so they compare, sort and match LIKE without regard to case, as
-- the file's NOCASE texts do. The server stores no NUL character in a text at all.
--
-- Each version's part begins with a line "-- Version N:"; a catalogue of an earlier version gets the
-- parts after its own, in one transaction, when the program opens it.
--
-- Several programs share the catalogue: the keys make a CD stored for an artist another program has
-- just deleted fail, where it would otherwise be kept with no artist, in no list, beyond deleting.
-- They take no action of their own on a delete; the program deletes children before their parent.

CREATE EXTENSION IF NOT EXISTS citext;

CREATE TABLE ARTISTE (
  ART_ID   SERIAL PRIMARY KEY,
  ART_NAME CITEXT,
  CONSTRAINT "ARTISTE.ART_NAME is longer than 255 characters" CHECK (length(ART_NAME) <= 255)
);
CREATE TABLE CDAUDIO (
  CD_ID    SERIAL PRIMARY KEY,
  CD_LABEL CITEXT,
  ART_ID   INTEGER REFERENCES ARTISTE (ART_ID),
  BARCODE  CITEXT,
  YEAR     CITEXT,
  LIMITED  INTEGER NOT NULL DEFAULT 0,
  COMMENTS TEXT,
  CONSTRAINT "CDAUDIO.CD_LABEL is longer than 255 characters" CHECK (length(CD_LABEL) <= 255),
  CONSTRAINT "CDAUDIO.BARCODE is longer than 14 characters" CHECK (length(BARCODE) <= 14),
  CONSTRAINT "CDAUDIO.YEAR is longer than 5 characters" CHECK (length(YEAR) <= 5),
  CONSTRAINT "CDAUDIO.LIMITED holds only true or false" CHECK (LIMITED IN (0, 1))
);
CREATE INDEX CDAUDIO_ART_ID ON CDAUDIO (ART_ID);
CREATE TABLE TRACK (
  TR_ID    SERIAL PRIMARY KEY,
  TR_LABEL CITEXT,
  CD_ID    INTEGER REFERENCES CDAUDIO (CD_ID),
  CONSTRAINT "TRACK.TR_LABEL is longer than 255 characters" CHECK (length(TR_LABEL) <= 255)
);
CREATE INDEX TRACK_CD_ID ON TRACK (CD_ID);
CREATE TABLE MOVIE (
  MOV_ID    SERIAL PRIMARY KEY,
  MOV_TITLE CITEXT,
  MOV_TYPE  CITEXT,
  CONSTRAINT "MOVIE.MOV_TITLE is longer than 255 characters" CHECK (length(MOV_TITLE) <= 255),
  CONSTRAINT "MOVIE.MOV_TYPE is longer than 255 characters" CHECK (length(MOV_TYPE) <= 255)
);
CREATE TABLE DATACD (
  CD_ID    SERIAL PRIMARY KEY,
  CD_TITLE CITEXT,
  CONSTRAINT "DATACD.CD_TITLE is longer than 255 characters" CHECK (length(CD_TITLE) <= 255)
);
CREATE TABLE DATA (
  DATA_ID    SERIAL PRIMARY KEY,
  DATA_LABEL CITEXT,
  CD_ID      INTEGER REFERENCES DATACD (CD_ID),
  CONSTRAINT "DATA.DATA_LABEL is longer than 255 characters" CHECK (length(DATA_LABEL) <= 255)
);
CREATE INDEX DATA_CD_ID ON DATA (CD_ID);

-- Version 2: the covers live with the catalogue, so every computer sharing it sees them. A cover
-- belongs to its CD and goes with it. A server catalogue without this part is of version 1.
CREATE TABLE COVER (
  CD_ID INTEGER PRIMARY KEY REFERENCES CDAUDIO (CD_ID) ON DELETE CASCADE,
  JPEG  BYTEA NOT NULL
);
CREATE TABLE DADUDU_VERSION (
  VERSION INTEGER NOT NULL
);
INSERT INTO DADUDU_VERSION (VERSION) VALUES (2);
