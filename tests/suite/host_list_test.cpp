// Connection strings as DBAs write them, made into what psqlODBC reads, and the servers the
// watchdog knows a connection's socket by.
#include <gtest/gtest.h>

#include "suite/server/host_list.h"

namespace qmz::suite {
namespace {

const DriverOptions kPrimary{ServerRole::kPrimary, 5, "baselist"};
const std::string kSite =
    "application_name=QMZBaseList/baselist keepalives=1 keepalives_idle=10 "
    "keepalives_interval=5 keepalives_count=3 tcp_user_timeout=7000";

TEST(HostListTest, APostgresStringGainsWhatASiteNeedsAndKeepsWhatItSets) {
  // Several servers become the multi-host form, blanks around the commas or not.
  EXPECT_EQ(ForPsqlodbc("Driver=PostgreSQL Unicode;Server=10.0.0.1,10.0.0.2;"
                        "Port=5432,5433;Database=suite;Uid=suite;Pwd={a;b}}c};Pwd2=",
                        kPrimary),
            "Driver=PostgreSQL Unicode;Database=suite;Uid=suite;Pwd={a;b}}c};Pwd2=;"
            "pqopt={host=10.0.0.1,10.0.0.2 port=5432,5433 target_session_attrs=read-write " +
                kSite + "}");
  EXPECT_EQ(ForPsqlodbc(" driver = {PostgreSQL ANSI} ; servername = {a , b} ; database=suite",
                        {ServerRole::kRead, 0, "my host"}),
            "driver={PostgreSQL ANSI};database=suite;"
            "pqopt={host=a,b target_session_attrs=prefer-standby "
            "application_name=QMZBaseList/my_host keepalives=1 keepalives_idle=10 "
            "keepalives_interval=5 keepalives_count=3}");
  // A pqopt of the DBA's own is merged: what it sets wins, its sslmode goes to psqlODBC.
  EXPECT_EQ(ForPsqlodbc("Driver=PostgreSQL Unicode;Server=a, b;Port=5432;"
                        "pqopt={application_name='till 3' sslmode=verify-full "
                        "sslrootcert=/etc/ca.pem keepalives=0}",
                        kPrimary),
            "Driver=PostgreSQL Unicode;SSLmode=verify-full;"
            "pqopt={host=a,b port=5432 target_session_attrs=read-write tcp_user_timeout=7000 "
            "application_name='till 3' sslrootcert=/etc/ca.pem keepalives=0}");
  // One server: only what a site needs; the DBA's own hosts stay the DBA's.
  EXPECT_EQ(ForPsqlodbc("Driver=PostgreSQL Unicode;Server=a;Port=5432;Database=suite", kPrimary),
            "Driver=PostgreSQL Unicode;Server=a;Port=5432;Database=suite;pqopt={" + kSite + "}");
  EXPECT_EQ(ForPsqlodbc("Driver=PostgreSQL Unicode;Server=a,b;pqopt={host=c}", kPrimary),
            "Driver=PostgreSQL Unicode;Server=a,b;pqopt={" + kSite + " host=c}");
  for (const char* kept : {
           "Driver={ODBC Driver 18 for SQL Server};Server=db,1433;Database=suite",
           "DSN=suite;Server=a,b",
       }) {
    EXPECT_EQ(ForPsqlodbc(kept, kPrimary), kept);
  }
  // The longest query timeout still makes a tcp_user_timeout libpq reads.
  EXPECT_NE(ForPsqlodbc("Driver=PostgreSQL Unicode;Server=a", {ServerRole::kPrimary, 2147483, ""})
                .find("tcp_user_timeout=2147483647}"),
            std::string::npos);
  EXPECT_EQ(ApplicationName(std::string(80, 'x')).size(), 63u);
  EXPECT_EQ(ApplicationName(""), "QMZBaseList");
}

TEST(HostListTest, TheServersOfAStringAreWhereItsSocketGoes) {
  EXPECT_EQ(ServersOf("Driver=PostgreSQL Unicode;Server=10.0.0.1;Port=6543;Database=suite"),
            (std::vector<ServerAddress>{{"10.0.0.1", 6543}}));
  EXPECT_EQ(ServersOf(ForPsqlodbc("Driver=PostgreSQL Unicode;Server=a, b;Port=1,2", kPrimary)),
            (std::vector<ServerAddress>{{"a", 1}, {"b", 2}}));
  EXPECT_EQ(ServersOf("Driver=PostgreSQL Unicode;pqopt={host=/run/pg,db port=5433}"),
            (std::vector<ServerAddress>{{"/run/pg", 5433}, {"db", 5433}}));
  EXPECT_EQ(ServersOf("Driver=PostgreSQL Unicode;Server=db"),
            (std::vector<ServerAddress>{{"db", 5432}}));
  EXPECT_TRUE(ServersOf("DSN=suite").empty());
}

TEST(HostListTest, LibpqIsGivenTheSameServerAndSessionOrNothing) {
  EXPECT_EQ(LibpqConninfo("Driver={PostgreSQL Unicode};Server=db1;Port=5433;Database=suite;"
                          "Uid=clerk;Pwd={a;b'c\\d}}};UseDeclareFetch=1;"
                          "pqopt={application_name=QMZBaseList/x keepalives=1}",
                          10),
            "host='db1' port='5433' dbname='suite' user='clerk' password='a;b\\'c\\\\d}' "
            "client_encoding=UTF8 connect_timeout=10 application_name=QMZBaseList/x keepalives=1");
  // Several servers come in pqopt, which libpq reads after (and over) the rest.
  const std::string several =
      ForPsqlodbc("Driver=PostgreSQL Unicode;Server=a, b;Port=1,2;Database=suite;Uid=u;Pwd=p", {});
  EXPECT_EQ(LibpqConninfo(several, 3),
            "dbname='suite' user='u' password='p' client_encoding=UTF8 connect_timeout=3 "
            "host=a,b port=1,2 target_session_attrs=read-write application_name=QMZBaseList "
            "keepalives=1 keepalives_idle=10 keepalives_interval=5 keepalives_count=3");
  // What libpq cannot be told alike: the driver reads those lookups.
  for (const char* odbc :
       {"DSN=suite", "Driver=SQL Server;Server=db1", "Driver=PostgreSQL;Server=db1;BoolsAsChar=0",
        "Driver=PostgreSQL;Server=db1;ConnSettings={set search_path=x}",
        "Driver=PostgreSQL;Server=db1;B9=0"}) {
    EXPECT_EQ(LibpqConninfo(odbc, 10), "") << odbc;
  }
}

}  // namespace
}  // namespace qmz::suite
