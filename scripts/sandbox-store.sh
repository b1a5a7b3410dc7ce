# Sourced by the demo and the review-pictures scripts.
# seed_installed_profile STORE: a settings store whose profile "Tavik6" is set
# up as the wizard leaves it, for customer k1001 (password geheim) behind a
# router, as the demo server's accounts know it.
seed_installed_profile() {
  local store=$1 key='Software\Kovrin\Tavik6\Tavik6'
  sqlite3 "$store" <<SQL
CREATE TABLE IF NOT EXISTS registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB);
INSERT INTO registry VALUES('HKLM','$key','Install',1,CAST('01.12.2026' AS BLOB));
INSERT INTO registry VALUES('HKLM','$key','User',1,CAST('k1001' AS BLOB));
INSERT INTO registry VALUES('HKLM','$key','Passwort',1,CAST('geheim' AS BLOB));
INSERT INTO registry VALUES('HKLM','$key','Proxyserver',1,CAST('1' AS BLOB));
SQL
  chmod 600 "$store"
}
