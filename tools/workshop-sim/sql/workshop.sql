-- The workshop database of the MariaDB back end: tables and every procedure the client calls.
-- Run as one multi-statement text; tables are kept, routines are replaced on every start.
-- The simulator sets @sim_date_format, @sim_version and @sim_root before each statement.

CREATE TABLE IF NOT EXISTS stranke (
  id INT PRIMARY KEY, ime MEDIUMTEXT NOT NULL, priimek MEDIUMTEXT NOT NULL, idddv MEDIUMTEXT NOT NULL,
  naslov MEDIUMTEXT NOT NULL, podjetje MEDIUMTEXT NOT NULL, pravnaoseba INT NOT NULL, prikaz MEDIUMTEXT NOT NULL
) ENGINE=InnoDB;

CREATE TABLE IF NOT EXISTS lokacije (
  id INT PRIMARY KEY, ime MEDIUMTEXT NOT NULL, opis MEDIUMTEXT NOT NULL
) ENGINE=InnoDB;

CREATE TABLE IF NOT EXISTS nalogi (
  id INT PRIMARY KEY, nalogStevilka MEDIUMTEXT NOT NULL, nalogType INT NOT NULL, datum DATETIME NOT NULL,
  vnesel MEDIUMTEXT NOT NULL, vozilo MEDIUMTEXT NOT NULL, registrska_st MEDIUMTEXT NOT NULL,
  komentar MEDIUMTEXT NOT NULL, viewed INT NOT NULL, saved INT NOT NULL, status INT NOT NULL,
  stranka_id INT NULL, podpis MEDIUMTEXT NOT NULL, slika1 MEDIUMTEXT NOT NULL, slika2 MEDIUMTEXT NOT NULL,
  slika3 MEDIUMTEXT NOT NULL, slika4 MEDIUMTEXT NOT NULL, shranjevanje INT NOT NULL,
  popisanoShranjevanje INT NOT NULL, SHRLokacija INT NOT NULL,
  KEY nalogi_datum (datum),
  CONSTRAINT fk_nalogi_stranke FOREIGN KEY (stranka_id) REFERENCES stranke (id)
) ENGINE=InnoDB;

CREATE TABLE IF NOT EXISTS postavke_naloga (
  id INT AUTO_INCREMENT PRIMARY KEY, nalog_id INT NOT NULL, pozicija INT NOT NULL, opis MEDIUMTEXT NOT NULL,
  dodatno MEDIUMTEXT NOT NULL, kolicina MEDIUMTEXT NOT NULL, cena MEDIUMTEXT NOT NULL,
  KEY postavke_naloga_nalog (nalog_id),
  CONSTRAINT fk_postavke_naloga_nalogi FOREIGN KEY (nalog_id) REFERENCES nalogi (id)
) ENGINE=InnoDB;

CREATE TABLE IF NOT EXISTS postavke (
  id INT PRIMARY KEY, opis MEDIUMTEXT NOT NULL, cena DECIMAL(10,2) NOT NULL, enabled INT NOT NULL,
  orderby INT NOT NULL
) ENGINE=InnoDB;

CREATE TABLE IF NOT EXISTS ordavodefaults (
  id INT AUTO_INCREMENT PRIMARY KEY, needeedupdate INT NULL, liveversion MEDIUMTEXT NULL, koda MEDIUMTEXT NULL,
  imepodjetja MEDIUMTEXT NULL, naslovpodjetja MEDIUMTEXT NULL, postnastevilkainposta MEDIUMTEXT NULL,
  telefon MEDIUMTEXT NULL, fax MEDIUMTEXT NULL, tax MEDIUMTEXT NULL, www MEDIUMTEXT NULL,
  avtotitle MEDIUMTEXT NULL, registrkatitle MEDIUMTEXT NULL
) ENGINE=InnoDB;

-- A list date written in @sim_date_format ('yyyy-mm-dd', 'yyyy/mm/dd' or 'dd.mm.yyyy'): exactly
-- that shape and a real calendar day, or the server's error for the parameter.
CREATE OR REPLACE FUNCTION sim_list_date(pText MEDIUMTEXT, pParameter VARCHAR(64)) RETURNS DATE
NOT DETERMINISTIC READS SQL DATA
BEGIN
  DECLARE vFormat VARCHAR(16) DEFAULT @sim_date_format;
  DECLARE vYear INT DEFAULT 0;
  DECLARE vMonth INT DEFAULT 0;
  DECLARE vDay INT DEFAULT 0;
  DECLARE vDate DATE DEFAULT NULL;
  DECLARE vMessage TEXT;
  IF pText IS NULL THEN
    RETURN NULL;
  END IF;
  IF pText REGEXP CONCAT('^', REPLACE(REPLACE(REPLACE(REPLACE(vFormat, '.', '[.]'), 'yyyy', '[0-9]{4}'),
                                          'mm', '[0-9]{2}'), 'dd', '[0-9]{2}'), '$') THEN
    SET vYear = CAST(SUBSTRING(pText, LOCATE('yyyy', vFormat), 4) AS UNSIGNED);
    SET vMonth = CAST(SUBSTRING(pText, LOCATE('mm', vFormat), 2) AS UNSIGNED);
    SET vDay = CAST(SUBSTRING(pText, LOCATE('dd', vFormat), 2) AS UNSIGNED);
  END IF;
  IF vYear >= 1 AND vMonth BETWEEN 1 AND 12 AND vDay >= 1 THEN
    SET vDate = MAKEDATE(vYear, 1) + INTERVAL (vMonth - 1) MONTH;
    IF vDay <= DAY(LAST_DAY(vDate)) THEN
      SET vDate = vDate + INTERVAL (vDay - 1) DAY;
    ELSE
      SET vDate = NULL;
    END IF;
  END IF;
  IF vDate IS NULL OR REPLACE(REPLACE(REPLACE(vFormat, 'yyyy', LPAD(vYear, 4, '0')), 'mm', LPAD(vMonth, 2, '0')),
                              'dd', LPAD(vDay, 2, '0')) <> pText THEN
    SET vMessage = CONCAT('Incorrect date value: ''', pText, ''' for column ``.``.`', pParameter, '` at row 0');
    SIGNAL SQLSTATE '22007' SET MESSAGE_TEXT = vMessage;
  END IF;
  RETURN vDate;
END;

-- Case-insensitive substring match that also ignores blanks and dashes, so "lj12" finds "LJ 12-ABC".
CREATE OR REPLACE FUNCTION ci_contains(pHay MEDIUMTEXT, pNeedle MEDIUMTEXT) RETURNS INT DETERMINISTIC
RETURN pHay IS NOT NULL AND pNeedle IS NOT NULL AND
       (LOCATE(LOWER(pNeedle), LOWER(pHay)) > 0 OR
        LOCATE(REPLACE(REPLACE(LOWER(pNeedle), ' ', ''), '-', ''), REPLACE(REPLACE(LOWER(pHay), ' ', ''), '-', '')) > 0);

CREATE OR REPLACE PROCEDURE usp_checkDate(pDatum MEDIUMTEXT)
SELECT CAST(DATE_FORMAT(sim_list_date(pDatum, 'pDatum'), '%Y-%m-%d') AS CHAR) AS datum;

CREATE OR REPLACE PROCEDURE usp_getversion()
SELECT CAST(@sim_version AS CHAR) AS vers;

-- Registers the workshop's details; an existing row keeps its update counter.
CREATE OR REPLACE PROCEDURE usp_insertupdatedefaultnalogsettings(
  pLiveVersion MEDIUMTEXT, pKoda MEDIUMTEXT, pImePodjetja MEDIUMTEXT, pNaslovPodjetja MEDIUMTEXT,
  pPostnaStevilkaInPosta MEDIUMTEXT, pTelefon MEDIUMTEXT, pFax MEDIUMTEXT, pTax MEDIUMTEXT, pWww MEDIUMTEXT,
  pAvtoTitle MEDIUMTEXT, pRegistrkaTitle MEDIUMTEXT)
BEGIN
  DECLARE vId INT DEFAULT (SELECT MIN(id) FROM ordavodefaults);
  IF vId IS NULL THEN
    INSERT INTO ordavodefaults (liveversion, koda, imepodjetja, naslovpodjetja, postnastevilkainposta, telefon, fax,
                                tax, www, avtotitle, registrkatitle, needeedupdate)
    VALUES (pLiveVersion, pKoda, pImePodjetja, pNaslovPodjetja, pPostnaStevilkaInPosta, pTelefon, pFax, pTax, pWww,
            pAvtoTitle, pRegistrkaTitle, 0);
  ELSE
    UPDATE ordavodefaults SET liveversion = pLiveVersion, koda = pKoda, imepodjetja = pImePodjetja,
      naslovpodjetja = pNaslovPodjetja, postnastevilkainposta = pPostnaStevilkaInPosta, telefon = pTelefon,
      fax = pFax, tax = pTax, www = pWww, avtotitle = pAvtoTitle, registrkatitle = pRegistrkaTitle
    WHERE id = vId;
  END IF;
END;

-- Filter 1: one order (any state but deleted) with the order window's columns, marked as viewed.
-- Filter 2: every order that is not deleted; any other filter: the unbilled ones. Search flag 1
-- matches the text against order number, customer, plate and vehicle.
CREATE OR REPLACE PROCEDURE usp_listneobracunaninalogi(pFilter INT, pOd MEDIUMTEXT, pDo MEDIUMTEXT, pNalogId INT,
                                                       pIskanje INT, pNiz MEDIUMTEXT)
BEGIN
  DECLARE vOd DATE DEFAULT sim_list_date(pOd, 'pOd');
  DECLARE vDo DATE DEFAULT sim_list_date(pDo, 'pDo');
  IF IFNULL(pFilter, 0) = 1 THEN
    SELECT n.id, n.nalogStevilka, s.prikaz AS Stranka, n.vnesel, n.komentar, n.datum, n.viewed, n.vozilo,
           n.registrska_st, n.nalogType, n.saved,
           COALESCE(s.ime, '') AS strankaime, COALESCE(s.priimek, '') AS strankapriimek,
           COALESCE(s.idddv, '') AS strankaidddv, COALESCE(s.naslov, '') AS strankanaslov,
           COALESCE(s.podjetje, '') AS strankapodjetje, n.podpis, n.slika1, n.slika2, n.slika3, n.slika4,
           COALESCE(s.pravnaoseba, 0) AS pravnaoseba, n.popisanoShranjevanje, n.SHRLokacija
    FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id
    WHERE n.id = pNalogId AND n.status <> 199;
    UPDATE nalogi SET viewed = 1 WHERE id = pNalogId AND status <> 199;
  ELSE
    SELECT n.id, n.nalogStevilka, s.prikaz AS Stranka, n.vnesel, n.komentar, n.datum, n.viewed, n.vozilo,
           n.registrska_st, n.nalogType, n.saved
    FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id
    WHERE (CASE WHEN pFilter = 2 THEN n.status <> 199 ELSE n.status = 0 END)
      AND (vOd IS NULL OR DATE(n.datum) >= vOd)
      AND (vDo IS NULL OR DATE(n.datum) <= vDo)
      AND (IFNULL(pIskanje, 0) <> 1 OR ci_contains(n.nalogStevilka, IFNULL(pNiz, '')) OR
           ci_contains(s.prikaz, IFNULL(pNiz, '')) OR ci_contains(n.registrska_st, IFNULL(pNiz, '')) OR
           ci_contains(n.vozilo, IFNULL(pNiz, '')))
    ORDER BY n.datum DESC, n.id DESC;
  END IF;
END;

CREATE OR REPLACE PROCEDURE usp_listNalogPostavke(pNalogId INT)
SELECT p.id, p.opis, p.dodatno AS Dodatno, p.kolicina, p.cena
FROM postavke_naloga p JOIN nalogi n ON n.id = p.nalog_id
WHERE p.nalog_id = pNalogId AND n.status <> 199
ORDER BY p.pozicija, p.id;

-- Status 1 bills, 199 deletes. An order being edited (saved 2), not saved completely or missing
-- (saved 0) is left as it is; the answer's saved tells which case it was.
CREATE OR REPLACE PROCEDURE usp_updatenalog(pNalogId INT, pStatus INT)
BEGIN
  DECLARE vSaved INT DEFAULT 0;
  DECLARE vMessage TEXT DEFAULT CONCAT('Unknown order status ', IFNULL(pStatus, ''));
  IF pStatus IS NULL OR pStatus NOT IN (1, 199) THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = vMessage;
  END IF;
  SET vSaved = IFNULL((SELECT saved FROM nalogi WHERE id = pNalogId AND status <> 199), 0);
  IF vSaved <> 0 AND vSaved <> 2 THEN
    UPDATE nalogi SET status = pStatus WHERE id = pNalogId;
  END IF;
  SELECT vSaved AS saved;
END;

CREATE OR REPLACE PROCEDURE usp_getnalogedit(pNalogId INT)
BEGIN
  DECLARE vSaved INT DEFAULT IFNULL((SELECT saved FROM nalogi WHERE id = pNalogId AND status <> 199), 0);
  SELECT vSaved AS saved;
END;

CREATE OR REPLACE PROCEDURE usp_listPostavkeALL()
SELECT id, opis, CAST(cena AS CHAR) AS cena, enabled, orderby FROM postavke ORDER BY orderby, id;

-- Action 0 stores (an id below 1 inserts, otherwise updates that item), 999 deletes.
CREATE OR REPLACE PROCEDURE usp_updateSavePostavka(pId INT, pOpis MEDIUMTEXT, pCena DECIMAL(10,2), pOrderBy INT,
                                                   pAkcija INT)
BEGIN
  DECLARE vAction INT DEFAULT IFNULL(pAkcija, -1);
  DECLARE vId INT DEFAULT IFNULL(pId, -1);
  DECLARE vMessage TEXT DEFAULT CONCAT('Unknown action ', IFNULL(pAkcija, ''));
  IF vAction = 999 THEN
    DELETE FROM postavke WHERE id = vId;
  ELSEIF vAction <> 0 THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = vMessage;
  ELSEIF pOpis IS NULL THEN
    SIGNAL SQLSTATE '23000' SET MESSAGE_TEXT = 'Column ''opis'' cannot be null';
  ELSEIF pCena IS NULL THEN
    SIGNAL SQLSTATE '23000' SET MESSAGE_TEXT = 'Column ''cena'' cannot be null';
  ELSEIF vId < 1 THEN
    INSERT INTO postavke (id, opis, cena, orderby, enabled)
    SELECT COALESCE(MAX(id), 0) + 1, pOpis, pCena, IFNULL(pOrderBy, 0), 1 FROM postavke;
  ELSE
    UPDATE postavke SET opis = pOpis, cena = pCena, orderby = IFNULL(pOrderBy, 0) WHERE id = vId;
  END IF;
END;

CREATE OR REPLACE PROCEDURE usp_listLokacije()
SELECT id, ime, opis FROM lokacije ORDER BY id;

-- Action 0 stores (an id below 1 inserts), 99 deletes the place and marks the tyres that lay
-- there as not placed, so no order points at a place that no longer exists.
CREATE OR REPLACE PROCEDURE usp_insertUpdateLokacija(pId INT, pIme MEDIUMTEXT, pOpis MEDIUMTEXT, pAkcija INT)
BEGIN
  DECLARE vAction INT DEFAULT IFNULL(pAkcija, -1);
  DECLARE vId INT DEFAULT IFNULL(pId, -1);
  DECLARE vMessage TEXT DEFAULT CONCAT('Unknown action ', IFNULL(pAkcija, ''));
  IF vAction = 99 THEN
    START TRANSACTION;
    UPDATE nalogi SET SHRLokacija = -1, popisanoShranjevanje = 0 WHERE SHRLokacija = vId;
    DELETE FROM lokacije WHERE id = vId;
    COMMIT;
  ELSEIF vAction <> 0 THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = vMessage;
  ELSEIF pIme IS NULL THEN
    SIGNAL SQLSTATE '23000' SET MESSAGE_TEXT = 'Column ''ime'' cannot be null';
  ELSEIF vId < 1 THEN
    INSERT INTO lokacije (id, ime, opis) SELECT COALESCE(MAX(id), 0) + 1, pIme, IFNULL(pOpis, '') FROM lokacije;
  ELSE
    UPDATE lokacije SET ime = pIme, opis = IFNULL(pOpis, '') WHERE id = vId;
  END IF;
END;

-- Flag 1 lists every order with tyres to store, otherwise only those not placed yet.
CREATE OR REPLACE PROCEDURE usp_listnevneseni(pVsi INT)
SELECT n.id, n.nalogStevilka, n.popisanoShranjevanje, n.SHRLokacija, n.datum, s.prikaz AS Stranka, n.vnesel,
       n.komentar, n.viewed
FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id
WHERE n.shranjevanje = 1 AND n.status <> 199 AND (IFNULL(pVsi, 0) = 1 OR n.popisanoShranjevanje = 0)
ORDER BY n.datum DESC, n.id DESC;

CREATE OR REPLACE PROCEDURE usp_saveSHRLocation(pNalogId INT, pLokacijaId INT)
BEGIN
  DECLARE vMessage TEXT DEFAULT CONCAT('Cannot add or update a child row: a foreign key constraint fails (`', DATABASE(),
    '`.`nalogi`, CONSTRAINT `fk_nalogi_lokacije` FOREIGN KEY (`SHRLokacija`) REFERENCES `lokacije` (`id`))');
  IF NOT EXISTS (SELECT 1 FROM lokacije WHERE id = pLokacijaId) THEN
    SIGNAL SQLSTATE '23000' SET MESSAGE_TEXT = vMessage;
  END IF;
  UPDATE nalogi SET SHRLokacija = pLokacijaId, popisanoShranjevanje = 1, shranjevanje = 1
  WHERE id = pNalogId AND status <> 199;
END;

-- Stored sets whose order number, customer, plate, vehicle, comment or place name holds the
-- text (case-insensitive); the empty text finds them all.
CREATE OR REPLACE PROCEDURE usp_searchShranjeni(pNiz MEDIUMTEXT)
SELECT n.id, n.nalogStevilka, n.popisanoShranjevanje, n.SHRLokacija, n.datum, s.prikaz AS Stranka, n.vnesel,
       n.komentar, n.viewed, COALESCE(l.ime, 'Nepopisano') AS lokacijaNM
FROM nalogi n LEFT JOIN stranke s ON s.id = n.stranka_id LEFT JOIN lokacije l ON l.id = n.SHRLokacija
WHERE n.shranjevanje = 1 AND n.status <> 199 AND
      (IFNULL(pNiz, '') = '' OR ci_contains(n.nalogStevilka, pNiz) OR ci_contains(s.prikaz, pNiz) OR
       ci_contains(n.registrska_st, pNiz) OR ci_contains(n.vozilo, pNiz) OR ci_contains(n.komentar, pNiz) OR
       ci_contains(l.ime, pNiz))
ORDER BY n.datum DESC, n.id DESC;
