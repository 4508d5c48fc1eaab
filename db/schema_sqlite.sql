-- Schema of the HP interest-processing module on SQLite.
-- Column names are those the accounting system uses (hpcComapnyID included):
-- stored data and the other modules rely on them.
-- Dates are ISO text (yyyy-mm-dd), money and rates REAL, flags INTEGER 0/1.

-- The module's own records -------------------------------------------------

CREATE TABLE IF NOT EXISTS aHpProcessingHeader (
  hphCompanyID                INTEGER NOT NULL,
  hphDepartmentID             INTEGER NOT NULL,
  hphProcessingID             INTEGER NOT NULL PRIMARY KEY,
  hphProcessingNo             TEXT    NOT NULL,
  hphProcessingdate           DATE    NOT NULL,
  hphCustomerID               INTEGER NOT NULL,
  hphInvoiceID                INTEGER NOT NULL,
  hphUsed                     INTEGER NOT NULL DEFAULT 0,
  hphFinancialID              INTEGER NOT NULL,
  hphAmended                  INTEGER NOT NULL DEFAULT 0,
  hphCancel                   INTEGER NOT NULL DEFAULT 0,
  hphcancelRemarks            TEXT,
  hphCashPrice                REAL,
  hphDownPayment              REAL,
  hphbalance                  REAL,
  hphNoOfRentals              INTEGER,
  hphInterestRate             REAL,
  hphInstallmentPrice         REAL,
  hphRentalAmount             REAL,
  hphRemarks                  TEXT,
  hphAdjustmentAmount         REAL,
  hphReprocessingType         TEXT,
  hphReferenceID              INTEGER,
  hphreprocessaftersettlement INTEGER,
  hphBalanceInterest          REAL,
  hphAdjustmentPosted         INTEGER,
  hphUserName                 TEXT,
  hphUpdateUserName           TEXT,
  hphUpdateTime               TEXT
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
  hpdCompanyID        INTEGER NOT NULL,
  hpdDepartmentID     INTEGER,
  hpdProcessingID     INTEGER NOT NULL
    REFERENCES aHpProcessingHeader (hphProcessingID) DEFERRABLE INITIALLY DEFERRED,
  hpddetailID         INTEGER NOT NULL,
  hpdChequeDate       DATE,
  hpdCapital          REAL,
  hpdRental           REAL,
  hpdInterest         REAL,
  hpdcapitalRepayment REAL,
  hpdCapitalBalance   REAL,
  hpdBankName         TEXT,
  hpdChequeNo         TEXT,
  hpdAmount           REAL,
  hpdSettlementAmount REAL,
  hpdInterestRate     REAL,
  hpdPosted           INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (hpdProcessingID, hpddetailID)
);

CREATE TABLE IF NOT EXISTS aHpProcessingDetailOthers (
  hpdCompanyID          INTEGER NOT NULL,
  hpdDepartmentID       INTEGER,
  hpdProcessingID       INTEGER NOT NULL
    REFERENCES aHpProcessingHeader (hphProcessingID) DEFERRABLE INITIALLY DEFERRED,
  hpddetailIDBT         INTEGER NOT NULL,
  hpdChequeDateBT       DATE,
  hpdCapitalBT          REAL,
  hpdRentalBT           REAL,
  hpdInterestBT         REAL,
  hpdcapitalRepaymentBT REAL,
  hpdCapitalBalanceBT   REAL,
  hpdBankNameBT         TEXT,
  hpdChequeNoBT         TEXT,
  hpdAmountBT           REAL,
  hpdSettlementAmountBT REAL,
  hpdInterestRateBT     REAL,
  PRIMARY KEY (hpdProcessingID, hpddetailIDBT)
);

CREATE TABLE IF NOT EXISTS ahpProcessingCashFlowDetail (
  hpcComapnyID        INTEGER NOT NULL,
  hpcDepartmentID     INTEGER,
  hpcProcessingID     INTEGER NOT NULL
    REFERENCES aHpProcessingHeader (hphProcessingID) DEFERRABLE INITIALLY DEFERRED,
  hpcdetailID         INTEGER NOT NULL,
  hpcDiscountFactor   REAL,
  hpcRental           REAL,
  hpcDiscountCashFlow REAL,
  PRIMARY KEY (hpcProcessingID, hpcdetailID)
);

-- The hire-purchase sales side (read; only hpqhProcessed is written) ---------

CREATE TABLE IF NOT EXISTS losHpCustomerDetails (
  hpCustID           INTEGER PRIMARY KEY,
  hpCustName         TEXT NOT NULL,
  hpNccNO            TEXT,
  HPCustPermanentadd TEXT,
  HPCustPresentAdd   TEXT,
  hpMobNo            TEXT,
  HPVerified         INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ixHpCustomerName ON losHpCustomerDetails (hpCustName);

CREATE TABLE IF NOT EXISTS losHpItemRegistrationDetails (
  ircustomerid INTEGER NOT NULL,
  IRREGNO      TEXT    NOT NULL
);
CREATE INDEX IF NOT EXISTS ixHpItemRegCustomer ON losHpItemRegistrationDetails (ircustomerid);

CREATE TABLE IF NOT EXISTS losHpInvoiceHeader (
  hpqhQuotationID    INTEGER PRIMARY KEY,
  hpqhQuotationNo    TEXT    NOT NULL,
  hpqhQuotationDate  DATE,
  hpqhCompanyID      INTEGER NOT NULL,
  hpqhCustomerID     INTEGER NOT NULL,
  hpqhShopID         INTEGER NOT NULL,
  hpqhType           TEXT    NOT NULL DEFAULT 'I',
  hpqhCancel         INTEGER NOT NULL DEFAULT 0,
  hpqhConfirmed      INTEGER NOT NULL DEFAULT 0,
  hpqhProcessed      INTEGER NOT NULL DEFAULT 0,
  hpqhChqReg         INTEGER NOT NULL DEFAULT 0,
  hpqhAmount         REAL,
  hpqhFirstInstAmt   REAL,
  hpqhinstPeriod     INTEGER,
  hpqhMonthilyPay    REAL,
  hpqhInstPrice      REAL,
  hpqhDelivaryDate   DATE,
  hpqhServTaxCateId  INTEGER
);
CREATE INDEX IF NOT EXISTS ixHpInvoiceCustomer
  ON losHpInvoiceHeader (hpqhCompanyID, hpqhCustomerID, hpqhProcessed);

CREATE TABLE IF NOT EXISTS losHpInvoiceDetailOthers (
  hpqdShopId              INTEGER NOT NULL,
  hpqdQuotationId         INTEGER NOT NULL,
  hpqdActSellingPrice     REAL,
  hpqdActDP               REAL,
  hpqdActMonthlyPayment   REAL,
  hpqdActInstallmentPrice REAL,
  PRIMARY KEY (hpqdShopId, hpqdQuotationId)
);

CREATE TABLE IF NOT EXISTS losHpChequeRegisterHeader (
  hphChqRegID  INTEGER PRIMARY KEY,
  hphinvoiceid INTEGER NOT NULL,
  hphCancel    INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ixHpChqRegInvoice ON losHpChequeRegisterHeader (hphinvoiceid);

CREATE TABLE IF NOT EXISTS losHpChequeRegisterDetail (
  hpdChqRegID  INTEGER NOT NULL,
  hpdChqDate   DATE    NOT NULL,
  hpdBankName  TEXT,
  hpdChqNo     TEXT
);
CREATE INDEX IF NOT EXISTS ixHpChqRegDate ON losHpChequeRegisterDetail (hpdChqRegID, hpdChqDate);

-- General tables of the accounting system -----------------------------------

CREATE TABLE IF NOT EXISTS aCompanyMaster (
  CompanyID   INTEGER PRIMARY KEY,
  CompanyName TEXT NOT NULL
);

CREATE TABLE IF NOT EXISTS aFinancialYear (
  FinancialId INTEGER PRIMARY KEY,
  CompanyID   INTEGER NOT NULL,
  Description TEXT    NOT NULL,
  StartDate   DATE    NOT NULL,
  EndDate     DATE    NOT NULL
);

CREATE TABLE IF NOT EXISTS aDepartmentMaster (
  DepartmentID   INTEGER PRIMARY KEY,
  DepartmentName TEXT    NOT NULL,
  CompanyID      INTEGER NOT NULL
);

CREATE TABLE IF NOT EXISTS ashops (
  shopId       INTEGER PRIMARY KEY,
  ShopName     TEXT,
  DepartmentID INTEGER NOT NULL
);

CREATE TABLE IF NOT EXISTS aCustomerMaster (
  CustomerID   INTEGER PRIMARY KEY,
  CustomerName TEXT NOT NULL
);

CREATE TABLE IF NOT EXISTS aUsers (
  UserID   INTEGER PRIMARY KEY,
  UserName TEXT NOT NULL UNIQUE
);

-- The report reads user names under this name.
CREATE VIEW IF NOT EXISTS lousers AS SELECT UserID AS userid, UserName AS username FROM aUsers;

CREATE TABLE IF NOT EXISTS auserrights (
  companyid      INTEGER NOT NULL,
  userid         INTEGER NOT NULL,
  interfaceid    INTEGER NOT NULL,
  FunctionRights TEXT    NOT NULL DEFAULT '',
  PRIMARY KEY (companyid, userid, interfaceid)
);

CREATE TABLE IF NOT EXISTS asettings (
  companyid        INTEGER PRIMARY KEY,
  noofpreviousdays INTEGER
);

CREATE TABLE IF NOT EXISTS MiscSettings (
  AccountsFreezeDate DATE
);

CREATE TABLE IF NOT EXISTS aPrefix (
  InterfaceID  INTEGER NOT NULL,
  DepartmentId INTEGER NOT NULL,
  FinancialId  INTEGER NOT NULL,
  Prefix       TEXT    NOT NULL
);

CREATE TABLE IF NOT EXISTS atables (
  tableid   INTEGER PRIMARY KEY,
  tablename TEXT NOT NULL
);

CREATE TABLE IF NOT EXISTS atablecolumns (
  tableid      INTEGER NOT NULL,
  columnid     INTEGER NOT NULL,
  columnname   TEXT    NOT NULL,
  columnheader TEXT    NOT NULL,
  PRIMARY KEY (tableid, columnid)
);

-- Stores of the shared services: audit trail, error log, grid settings, sign-in.

CREATE TABLE IF NOT EXISTS hpAuditTrail (
  AuditID       INTEGER PRIMARY KEY AUTOINCREMENT,
  CompanyID     INTEGER NOT NULL,
  DepartmentID  INTEGER,
  UserID        INTEGER NOT NULL,
  InterfaceID   INTEGER NOT NULL,
  RecordID      INTEGER,
  RecordNo      TEXT,
  Action        TEXT    NOT NULL,
  ScreenName    TEXT,
  LoggedTime    TEXT,
  SavedTime     TEXT    NOT NULL
);

CREATE TABLE IF NOT EXISTS hpErrorLog (
  ErrorID      INTEGER PRIMARY KEY AUTOINCREMENT,
  LoggedAt     TEXT NOT NULL,
  ScreenName   TEXT,
  UserName     TEXT,
  RoutineName  TEXT,
  ErrorNumber  INTEGER,
  ErrorSource  TEXT,
  Description  TEXT,
  Context      TEXT
);

CREATE TABLE IF NOT EXISTS hpGridSettings (
  UserID    INTEGER NOT NULL,
  CompanyID INTEGER NOT NULL,
  GridName  TEXT    NOT NULL,
  ColumnNo  INTEGER NOT NULL,
  Width     INTEGER NOT NULL,
  PRIMARY KEY (UserID, CompanyID, GridName, ColumnNo)
);

CREATE TABLE IF NOT EXISTS hpUserLogin (
  UserID       INTEGER PRIMARY KEY REFERENCES aUsers (UserID),
  PasswordHash TEXT NOT NULL
);

-- The processing with all its lines, for the report. Lines are its company's only:
-- the line tables are keyed by identifier alone, so another company may file
-- lines under the same identifier.
CREATE VIEW IF NOT EXISTS vwHPProcessingWithAllDetails AS
SELECT h.*, d.*, c.CustomerName, i.hpqhQuotationNo, i.hpqhQuotationDate, dm.DepartmentName,
       co.CompanyName
FROM aHpProcessingHeader h
LEFT JOIN aHpProcessingDetail d ON d.hpdProcessingID = h.hphProcessingID AND d.hpdCompanyID = h.hphCompanyID
LEFT JOIN aCustomerMaster c ON c.CustomerID = h.hphCustomerID
LEFT JOIN losHpInvoiceHeader i ON i.hpqhQuotationID = h.hphInvoiceID
LEFT JOIN aDepartmentMaster dm ON dm.DepartmentID = h.hphDepartmentID
LEFT JOIN aCompanyMaster co ON co.CompanyID = h.hphCompanyID;
