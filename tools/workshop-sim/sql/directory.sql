-- The directory database of the MariaDB back end: the access codes and usp_findmyordavo.
-- The simulator sets @sim_version and @sim_root (the workshop's root URL) before each statement.

CREATE TABLE IF NOT EXISTS imenik (
  koda VARCHAR(191) PRIMARY KEY, imepodjetja MEDIUMTEXT NOT NULL, naslovpodjetja MEDIUMTEXT NOT NULL,
  postnastevilkainposta MEDIUMTEXT NOT NULL, telefon MEDIUMTEXT NOT NULL, fax MEDIUMTEXT NOT NULL,
  tax MEDIUMTEXT NOT NULL, www MEDIUMTEXT NOT NULL, avtotitle MEDIUMTEXT NOT NULL, registrkatitle MEDIUMTEXT NOT NULL
) ENGINE=InnoDB;

CREATE OR REPLACE PROCEDURE usp_findmyordavo(pKoda MEDIUMTEXT)
SELECT imepodjetja, naslovpodjetja, postnastevilkainposta, telefon, fax, tax, www, avtotitle, registrkatitle,
       CAST(@sim_version AS CHAR) AS liveversion, CAST(@sim_root AS CHAR) AS ordavoroot
FROM imenik WHERE koda = LOWER(pKoda);
