#include "suite/middle_tier/demo_data.h"

#include <cstdio>
#include <string>

namespace qmz::suite {

namespace {

struct InventoryRow {
  int item, stock, aux;
  const char* batch;
  double qty, sec_qty, price, amount;
  const char* kf_date;
  int kf_period;
  const char* period_date;
};

// Inserts one row into both inventory tables through prepared statements.
class InventoryWriter {
 public:
  explicit InventoryWriter(SqliteConnection& db)
      : running_(db,
                 "insert into t_cc_inventory (FItemID, FStockID, FAuxPropID, FBatchNo, FQty, "
                 "FSecQty, FBal, FKFDate, FKFPeriod, FPeriodDate) values (?,?,?,?,?,?,?,?,?,?)"),
        opening_(db,
                 "insert into ICInvInitial (FItemID, FStockID, FAuxPropID, FBatchNo, FQty, "
                 "FSecQty, Fprice, FAmount, FKFDate, FKFPeriod, FdestDate) "
                 "values (?,?,?,?,?,?,?,?,?,?,?)") {}

  void Add(const InventoryRow& r) {
    Common(running_, r);
    running_.Bind(7, r.amount);
    BindDates(running_, 8, r);
    running_.Step();
    running_.Reset();
    Common(opening_, r);
    opening_.Bind(7, r.price);
    opening_.Bind(8, r.amount);
    BindDates(opening_, 9, r);
    opening_.Step();
    opening_.Reset();
  }

 private:
  static void Common(Statement& s, const InventoryRow& r) {
    s.Bind(1, static_cast<int64_t>(r.item));
    s.Bind(2, static_cast<int64_t>(r.stock));
    s.Bind(3, static_cast<int64_t>(r.aux));
    s.Bind(4, std::string(r.batch));
    s.Bind(5, r.qty);
    s.Bind(6, r.sec_qty);
  }
  static void BindDates(Statement& s, int first, const InventoryRow& r) {
    if (r.kf_date) {
      s.Bind(first, std::string(r.kf_date));
    } else {
      s.BindNull(first);
    }
    s.Bind(first + 1, static_cast<int64_t>(r.kf_period));
    if (r.period_date) {
      s.Bind(first + 2, std::string(r.period_date));
    } else {
      s.BindNull(first + 2);
    }
  }

  Statement running_;
  Statement opening_;
};

}  // namespace

std::vector<int> FillDemoData(SqliteConnection& db) {
  db.Exec(R"sql(begin;
insert into t_MeasureUnit (FItemID, FNumber, FName) values (1, 'PCS', '个'), (2, 'KG', '千克');
insert into t_icitem (FItemID, FNumber, FName, FModel, FUnitID, FISKFPeriod, FBatchManager,
  FISBatchManager) values
  (1, 'A001', '螺丝钉', 'M3x10', 1, 1, 1, 1),
  (2, 'A002', '油漆', '5L', 2, 0, 1, 1),
  (3, 'B001', 'O''Neil 垫片', 'D8', 1, 0, 0, 0),
  (4, 'C001', '编号零件', 'SN', 1, 0, 1, 1);
insert into t_stock (FItemID, FNumber, FName, FTypeID, FRightUserID) values
  (1, '01', '北京仓', 500, '1,3'),
  (2, '02', '上海仓', 500, '1,12'),
  (3, '03', '虚拟仓', 502, '1,3'),
  (4, '04', '广州仓', 500, '');
insert into t_auxItem (FItemID, FNumber, FName, FItemClassID) values
  (1, 'R', 'Red', 3001), (2, 'B', 'Blue', 3001), (3, 'G', 'Green', 3001),
  (4, 'DR', 'Dark Red', 3001);
)sql");
  const InventoryRow rows[] = {
      {1, 1, 0, "B2601", 100, 0, 2.5, 250, "2026-01-05", 365, "2027-01-05"},
      {1, 2, 0, "B2601", 40, 0, 2.5, 100, "2026-01-05", 365, "2027-01-05"},
      {1, 1, 0, "B2601", 20, 0, 2.5, 50, "2026-01-05", 365, "2027-01-05"},
      {1, 3, 0, "B2601", 5, 0, 2.5, 12.5, "2026-01-05", 365, "2027-01-05"},
      {1, 1, 0, "B2602", 0, 0, 2.6, 0, "2026-02-10", 365, "2027-02-10"},
      {1, 4, 0, "A'B", 7, 0, 2, 14, "2026-03-01", 365, "2027-03-01"},
      {1, 2, 0, "B2603", 12, 0, 2.5, 30, "1900-01-01", -1, nullptr},
      {1, 1, 0, "B2604", 0, 0, 0, 8, "2026-03-15", 365, "2027-03-15"},
      {2, 1, 1, "P-01", 10, 0, 30, 300, "2026-04-01", 0, nullptr},
      {2, 2, 1, "P-01", 5, 0, 30, 150, "2026-04-01", 0, nullptr},
      {2, 1, 2, "P-02", 3, 0, 30, 90, "2026-04-02", 0, nullptr},
      {2, 1, 4, "P-03", 0, 0, 30, 0, "2026-04-03", 0, nullptr},
      {3, 1, 0, "", 50, 0, 0.5, 25, nullptr, 0, nullptr},
      {4, 1, 0, "N-0001", 1, 0, 1234.5, 1234.5, "2026-05-01", 0, nullptr},
      {4, 2, 0, "N-0002", 1, 0, 1234.5, 1234.5, "2026-05-02", 0, nullptr},
  };
  InventoryWriter writer(db);
  for (const InventoryRow& row : rows) writer.Add(row);
  db.Exec("commit;");
  return {4};
}

void FillLargeData(SqliteConnection& db, int32_t items, int32_t batches_per_item,
                   int32_t warehouses) {
  db.Exec("begin;");
  db.Exec(
      "insert into t_MeasureUnit (FItemID, FNumber, FName) values (1, 'PCS', '个');"
      "insert into t_auxItem (FItemID, FNumber, FName) values (1, 'R', 'Red'), "
      "(2, 'B', 'Blue'), (3, 'G', 'Green');");
  // Warehouses and items numbered k from 1; every tenth warehouse virtual, the even ones open to
  // user 3 as well.
  Statement stocks(db,
                   "with recursive n(k) as (select 1 union all select k + 1 from n where k < ?1) "
                   "insert into t_stock (FItemID, FNumber, FName, FTypeID, FRightUserID) "
                   "select k, 'W' || k, '仓库' || k, case when k % 10 = 0 then 502 else 500 end, "
                   "case when k % 2 = 0 then '1,3' else '1' end from n where ?1 > 0");
  stocks.Bind(1, static_cast<int64_t>(warehouses));
  stocks.Step();
  Statement icitems(db,
                    "with recursive n(k) as (select 1 union all select k + 1 from n where k < ?1) "
                    "insert into t_icitem (FItemID, FNumber, FName, FModel, FUnitID, "
                    "FBatchManager, FISBatchManager) select k, 'I' || k, '物料' || k, '', 1, 1, 1 "
                    "from n where ?1 > 0");
  icitems.Bind(1, static_cast<int64_t>(items));
  icitems.Step();
  InventoryWriter writer(db);
  char batch[32];
  char date[16];
  for (int32_t i = 1; i <= items; ++i) {
    for (int32_t b = 1; b <= batches_per_item; ++b) {
      std::snprintf(batch, sizeof batch, "B%06d", b);
      std::snprintf(date, sizeof date, "2026-%02d-%02d", 1 + b % 12, 1 + b % 28);
      for (int32_t w = 1; w <= warehouses; ++w) {
        double qty = (i + b + w) % 7;  // every seventh row holds nothing
        writer.Add({i, w, 1 + (b % 3), batch, qty, 0, 2.5, qty * 2.5, date, 365, date});
      }
    }
  }
  db.Exec("commit;");
}

}  // namespace qmz::suite
