-- Schema of the HP interest-processing module on PostgreSQL: the same tables,
-- columns, keys, indexes and views as on SQLite.
-- Column names are those the accounting system uses (hpcComapnyID included):
-- stored data and the other modules rely on them. Names are unquoted, so the
-- server keeps them in lower case; statements name them in any case.
-- Dates are date, times timestamp(0), money and rates double precision (the
-- module computes in doubles and reads back exactly what it wrote), flags
-- integer 0/1, identifiers integer.
-- Each statement ends with ';' at the end of its last line; function bodies
-- are quoted with $$.

-- Functions the statements use under these names ----------------------------

-- isnull(value, replacement): the value, or the replacement when it is null.
-- One overload per kind of column, so that isnull(hpdSettlementAmount, 0)
-- stays a double and isnull(hphReferenceID, 0) an integer.
CREATE OR REPLACE FUNCTION isnull(v integer, replacement integer) RETURNS integer
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, replacement) $$;
CREATE OR REPLACE FUNCTION isnull(v bigint, replacement bigint) RETURNS bigint
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, replacement) $$;
CREATE OR REPLACE FUNCTION isnull(v numeric, replacement numeric) RETURNS numeric
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, replacement) $$;
CREATE OR REPLACE FUNCTION isnull(v double precision, replacement double precision) RETURNS double precision
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, replacement) $$;
CREATE OR REPLACE FUNCTION isnull(v text, replacement text) RETURNS text
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, replacement) $$;
CREATE OR REPLACE FUNCTION isnull(v date, replacement date) RETURNS date
  LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $$ SELECT coalesce(v, replacement) $$;

-- The module's own records -------------------------------------------------

CREATE TABLE IF NOT EXISTS aHpProcessingHeader (
  hphCompanyID                integer          NOT NULL,
  hphDepartmentID             integer          NOT NULL,
  hphProcessingID             integer          NOT NULL PRIMARY KEY,
  hphProcessingNo             text             NOT NULL,
  hphProcessingdate           date             NOT NULL,
  hphCustomerID               integer          NOT NULL,
  hphInvoiceID                integer          NOT NULL,
  hphUsed                     integer          NOT NULL DEFAULT 0,
  hphFinancialID              integer          NOT NULL,
  hphAmended                  integer          NOT NULL DEFAULT 0,
  hphCancel                   integer          NOT NULL DEFAULT 0,
  hphcancelRemarks            text,
  hphCashPrice                double precision,
  hphDownPayment              double precision,
  hphbalance                  double precision,
  hphNoOfRentals              integer,
  hphInterestRate             double precision,
  hphInstallmentPrice         double precision,
  hphRentalAmount             double precision,
  hphRemarks                  text,
  hphAdjustmentAmount         double precision,
  hphReprocessingType         text,
  hphReferenceID              integer,
  hphreprocessaftersettlement integer,
  hphBalanceInterest          double precision,
  hphAdjustmentPosted         integer,
  hphUserName                 text,
  hphUpdateUserName           text,
  hphUpdateTime               timestamp(0)
);
-- Numbers run per department and financial year and are never reused.
CREATE UNIQUE INDEX IF NOT EXISTS uxHpProcessingNo
  ON aHpProcessingHeader (hphDepartmentID, hphFinancialID, hphProcessingNo);
-- The next number is found at the end of the longest numbers, without
-- reading every number of the department and year.
CREATE INDEX IF NOT EXISTS ixHpProcessingNoLength
  ON aHpProcessingHeader (hphDepartmentID, hphFinancialID, length(hphProcessingNo), hphProcessingNo);
CREATE INDEX IF NOT EXISTS ixHpProcessingRegister
  ON aHpProcessingHeader (hphCompanyID, hphFinancialID, hphProcessingdate);
CREATE INDEX IF NOT EXISTS ixHpProcessingCustomer
  ON aHpProcessingHeader (hphCompanyID, hphCustomerID);
CREATE INDEX IF NOT EXISTS ixHpProcessingInvoice ON aHpProcessingHeader (hphInvoiceID);

-- Rental lines. The foreign keys are checked at commit, so that a stored
-- processing can be deleted and written again inside one transaction.
CREATE TABLE IF NOT EXISTS aHpProcessingDetail (
  hpdCompanyID        integer NOT NULL,
  hpdDepartmentID     integer,
  hpdProcessingID     integer NOT NULL
    REFERENCES aHpProcessingHeader (hphProcessingID) DEFERRABLE INITIALLY DEFERRED,
  hpddetailID         integer NOT NULL,
  hpdChequeDate       date,
  hpdCapital          double precision,
  hpdRental           double precision,
  hpdInterest         double precision,
  hpdcapitalRepayment double precision,
  hpdCapitalBalance   double precision,
  hpdBankName         text,
  hpdChequeNo         text,
  hpdAmount           double precision,
  hpdSettlementAmount double precision,
  hpdInterestRate     double precision,
  hpdPosted           integer NOT NULL DEFAULT 0,
  PRIMARY KEY (hpdProcessingID, hpddetailID)
);

CREATE TABLE IF NOT EXISTS aHpProcessingDetailOthers (
  hpdCompanyID          integer NOT NULL,
  hpdDepartmentID       integer,
  hpdProcessingID       integer NOT NULL
    REFERENCES aHpProcessingHeader (hphProcessingID) DEFERRABLE INITIALLY DEFERRED,
  hpddetailIDBT         integer NOT NULL,
  hpdChequeDateBT       date,
  hpdCapitalBT          double precision,
  hpdRentalBT           double precision,
  hpdInterestBT         double precision,
  hpdcapitalRepaymentBT double precision,
  hpdCapitalBalanceBT   double precision,
  hpdBankNameBT         text,
  hpdChequeNoBT         text,
  hpdAmountBT           double precision,
  hpdSettlementAmountBT double precision,
  hpdInterestRateBT     double precision,
  PRIMARY KEY (hpdProcessingID, hpddetailIDBT)
);

CREATE TABLE IF NOT EXISTS ahpProcessingCashFlowDetail (
  hpcComapnyID        integer NOT NULL,
  hpcDepartmentID     integer,
  hpcProcessingID     integer NOT NULL
    REFERENCES aHpProcessingHeader (hphProcessingID) DEFERRABLE INITIALLY DEFERRED,
  hpcdetailID         integer NOT NULL,
  hpcDiscountFactor   double precision,
  hpcRental           double precision,
  hpcDiscountCashFlow double precision,
  PRIMARY KEY (hpcProcessingID, hpcdetailID)
);

-- The hire-purchase sales side (read; only hpqhProcessed is written) ---------

CREATE TABLE IF NOT EXISTS losHpCustomerDetails (
  hpCustID           integer PRIMARY KEY,
  hpCustName         text    NOT NULL,
  hpNccNO            text,
  HPCustPermanentadd text,
  HPCustPresentAdd   text,
  hpMobNo            text,
  HPVerified         integer NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ixHpCustomerName ON losHpCustomerDetails (hpCustName);

CREATE TABLE IF NOT EXISTS losHpItemRegistrationDetails (
  ircustomerid integer NOT NULL,
  IRREGNO      text    NOT NULL
);
CREATE INDEX IF NOT EXISTS ixHpItemRegCustomer ON losHpItemRegistrationDetails (ircustomerid);

CREATE TABLE IF NOT EXISTS losHpInvoiceHeader (
  hpqhQuotationID    integer PRIMARY KEY,
  hpqhQuotationNo    text    NOT NULL,
  hpqhQuotationDate  date,
  hpqhCompanyID      integer NOT NULL,
  hpqhCustomerID     integer NOT NULL,
  hpqhShopID         integer NOT NULL,
  hpqhType           text    NOT NULL DEFAULT 'I',
  hpqhCancel         integer NOT NULL DEFAULT 0,
  hpqhConfirmed      integer NOT NULL DEFAULT 0,
  hpqhProcessed      integer NOT NULL DEFAULT 0,
  hpqhChqReg         integer NOT NULL DEFAULT 0,
  hpqhAmount         double precision,
  hpqhFirstInstAmt   double precision,
  hpqhinstPeriod     integer,
  hpqhMonthilyPay    double precision,
  hpqhInstPrice      double precision,
  hpqhDelivaryDate   date,
  hpqhServTaxCateId  integer
);
CREATE INDEX IF NOT EXISTS ixHpInvoiceCustomer
  ON losHpInvoiceHeader (hpqhCompanyID, hpqhCustomerID, hpqhProcessed);

CREATE TABLE IF NOT EXISTS losHpInvoiceDetailOthers (
  hpqdShopId              integer NOT NULL,
  hpqdQuotationId         integer NOT NULL,
  hpqdActSellingPrice     double precision,
  hpqdActDP               double precision,
  hpqdActMonthlyPayment   double precision,
  hpqdActInstallmentPrice double precision,
  PRIMARY KEY (hpqdShopId, hpqdQuotationId)
);

CREATE TABLE IF NOT EXISTS losHpChequeRegisterHeader (
  hphChqRegID  integer PRIMARY KEY,
  hphinvoiceid integer NOT NULL,
  hphCancel    integer NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ixHpChqRegInvoice ON losHpChequeRegisterHeader (hphinvoiceid);

CREATE TABLE IF NOT EXISTS losHpChequeRegisterDetail (
  hpdChqRegID  integer NOT NULL,
  hpdChqDate   date    NOT NULL,
  hpdBankName  text,
  hpdChqNo     text
);
CREATE INDEX IF NOT EXISTS ixHpChqRegDate ON losHpChequeRegisterDetail (hpdChqRegID, hpdChqDate);

-- General tables of the accounting system -----------------------------------

CREATE TABLE IF NOT EXISTS aCompanyMaster (
  CompanyID   integer PRIMARY KEY,
  CompanyName text    NOT NULL
);

CREATE TABLE IF NOT EXISTS aFinancialYear (
  FinancialId integer PRIMARY KEY,
  CompanyID   integer NOT NULL,
  Description text    NOT NULL,
  StartDate   date    NOT NULL,
  EndDate     date    NOT NULL
);

CREATE TABLE IF NOT EXISTS aDepartmentMaster (
  DepartmentID   integer PRIMARY KEY,
  DepartmentName text    NOT NULL,
  CompanyID      integer NOT NULL
);

CREATE TABLE IF NOT EXISTS ashops (
  shopId       integer PRIMARY KEY,
  ShopName     text,
  DepartmentID integer NOT NULL
);

CREATE TABLE IF NOT EXISTS aCustomerMaster (
  CustomerID   integer PRIMARY KEY,
  CustomerName text    NOT NULL
);

CREATE TABLE IF NOT EXISTS aUsers (
  UserID   integer PRIMARY KEY,
  UserName text    NOT NULL UNIQUE
);

-- The report reads user names under this name.
CREATE OR REPLACE VIEW lousers AS SELECT UserID AS userid, UserName AS username FROM aUsers;

CREATE TABLE IF NOT EXISTS auserrights (
  companyid      integer NOT NULL,
  userid         integer NOT NULL,
  interfaceid    integer NOT NULL,
  FunctionRights text    NOT NULL DEFAULT '',
  PRIMARY KEY (companyid, userid, interfaceid)
);

CREATE TABLE IF NOT EXISTS asettings (
  companyid        integer PRIMARY KEY,
  noofpreviousdays integer
);

CREATE TABLE IF NOT EXISTS MiscSettings (
  AccountsFreezeDate date
);

CREATE TABLE IF NOT EXISTS aPrefix (
  InterfaceID  integer NOT NULL,
  DepartmentId integer NOT NULL,
  FinancialId  integer NOT NULL,
  Prefix       text    NOT NULL
);

CREATE TABLE IF NOT EXISTS atables (
  tableid   integer PRIMARY KEY,
  tablename text    NOT NULL
);

CREATE TABLE IF NOT EXISTS atablecolumns (
  tableid      integer NOT NULL,
  columnid     integer NOT NULL,
  columnname   text    NOT NULL,
  columnheader text    NOT NULL,
  PRIMARY KEY (tableid, columnid)
);

-- Stores of the shared services: audit trail, error log, grid settings, sign-in.
-- Audit and error numbers are drawn by the database and never reused.

CREATE TABLE IF NOT EXISTS hpAuditTrail (
  AuditID       integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  CompanyID     integer NOT NULL,
  DepartmentID  integer,
  UserID        integer NOT NULL,
  InterfaceID   integer NOT NULL,
  RecordID      integer,
  RecordNo      text,
  Action        text    NOT NULL,
  ScreenName    text,
  LoggedTime    timestamp(0),
  SavedTime     timestamp(0) NOT NULL
);

CREATE TABLE IF NOT EXISTS hpErrorLog (
  ErrorID      integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,
  LoggedAt     timestamp(0) NOT NULL,
  ScreenName   text,
  UserName     text,
  RoutineName  text,
  ErrorNumber  bigint,
  ErrorSource  text,
  Description  text,
  Context      text
);

CREATE TABLE IF NOT EXISTS hpGridSettings (
  UserID    integer NOT NULL,
  CompanyID integer NOT NULL,
  GridName  text    NOT NULL,
  ColumnNo  integer NOT NULL,
  Width     integer NOT NULL,
  PRIMARY KEY (UserID, CompanyID, GridName, ColumnNo)
);

CREATE TABLE IF NOT EXISTS hpUserLogin (
  UserID       integer PRIMARY KEY REFERENCES aUsers (UserID),
  PasswordHash text    NOT NULL
);

-- The processing with all its lines, for the report. Lines are its company's only:
-- the line tables are keyed by identifier alone, so another company may file
-- lines under the same identifier.
CREATE OR REPLACE VIEW vwHPProcessingWithAllDetails AS
SELECT h.*, d.*, c.CustomerName, i.hpqhQuotationNo, i.hpqhQuotationDate, dm.DepartmentName,
       co.CompanyName
FROM aHpProcessingHeader h
LEFT JOIN aHpProcessingDetail d ON d.hpdProcessingID = h.hphProcessingID AND d.hpdCompanyID = h.hphCompanyID
LEFT JOIN aCustomerMaster c ON c.CustomerID = h.hphCustomerID
LEFT JOIN losHpInvoiceHeader i ON i.hpqhQuotationID = h.hphInvoiceID
LEFT JOIN aDepartmentMaster dm ON dm.DepartmentID = h.hphDepartmentID
LEFT JOIN aCompanyMaster co ON co.CompanyID = h.hphCompanyID;
