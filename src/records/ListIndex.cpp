#include "records/ListIndex.h"

#include <cstring>

#include "records/Schema.h"

namespace records {

QString foldedText(QStringView text) {
  QString out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t u = text[i].unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
      const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(u, text[i + 1].unicode()));
      if (QChar::requiresSurrogates(folded)) {
        out += QChar(QChar::highSurrogate(folded));
        out += QChar(QChar::lowSurrogate(folded));
      } else {
        out += QChar(static_cast<char16_t>(folded));
      }
      ++i;
    } else {
      // A lone surrogate is a character of its own, as Qt compares it.
      const char32_t folded = QChar::toCaseFolded(static_cast<char32_t>(u));
      if (QChar::requiresSurrogates(folded)) {
        out += QChar(QChar::highSurrogate(folded));
        out += QChar(QChar::lowSurrogate(folded));
      } else {
        out += QChar(static_cast<char16_t>(folded));
      }
    }
  }
  return out;
}

ListIndex::ListIndex(const TableDef& table) {
  for (std::size_t slot = 0; slot < table.held.size(); ++slot) {
    const int column = table.held[slot];
    const ColumnKind kind = table.columns[static_cast<std::size_t>(column)].kind;
    Column c;
    c.column = column;
    c.slot = static_cast<int>(slot);
    if (kind == ColumnKind::Text || kind == ColumnKind::Memo) {
      const bool key = std::find(table.key.begin(), table.key.end(), column) != table.key.end();
      c.kind = key ? Column::Runs : Column::Distinct;
    } else if (kind == ColumnKind::Integer || kind == ColumnKind::SmallUnsigned || kind == ColumnKind::AutoIncrement) {
      c.kind = Column::Whole;
    } else {
      continue;
    }
    if (c.kind == Column::Runs && keyColumn_ < 0) keyColumn_ = static_cast<int>(columns_.size());
    columns_.push_back(std::move(c));
  }
}

bool ListIndex::holdsEveryHeld(const TableDef& table) {
  const ListIndex probe(table);
  return !table.held.empty() && probe.columns_.size() == table.held.size();
}

QVariant ListIndex::value(std::size_t row, int slot) const {
  for (const Column& c : columns_) {
    if (c.slot != slot) continue;
    switch (c.kind) {
      case Column::Runs: {
        const std::uint16_t length = c.storedLen[row];
        if (length == kNullLength) return {};
        return QString(reinterpret_cast<const QChar*>(c.stored.data() + c.storedBegin[row]), length);
      }
      case Column::Distinct: {
        const std::uint32_t id = c.ids[row];
        return id == kNullId ? QVariant() : QVariant(c.texts[id]);
      }
      case Column::Whole: return c.nulls[row] ? QVariant() : QVariant(static_cast<qlonglong>(c.values[row]));
    }
  }
  return {};
}

QStringView ListIndex::keyText(std::size_t row) const {
  if (keyColumn_ < 0) return {};
  const Column& c = columns_[static_cast<std::size_t>(keyColumn_)];
  const std::uint16_t length = c.storedLen[row];
  if (length == kNullLength) return {};
  return QStringView(c.stored.data() + c.storedBegin[row], length);
}

bool ListIndex::keyNull(std::size_t row) const {
  return keyColumn_ < 0 || columns_[static_cast<std::size_t>(keyColumn_)].storedLen[row] == kNullLength;
}

const ListIndex::Column* ListIndex::find(int column) const {
  for (const Column& c : columns_) {
    if (c.column == column) return &c;
  }
  return nullptr;
}

void ListIndex::clear() {
  for (Column& c : columns_) {
    c.chars.clear();
    c.begin.clear();
    c.len.clear();
    c.stored.clear();
    c.storedBegin.clear();
    c.storedLen.clear();
    c.ids.clear();
    c.texts.clear();
    c.folded.clear();
    c.numberOf.clear();
    c.values.clear();
    c.nulls.clear();
  }
  size_ = 0;
}

void ListIndex::put(Column& c, std::size_t row, const QVariant& value, bool appending) {
  switch (c.kind) {
    case Column::Runs: {
      const bool null = !value.isValid();
      const QString text = null ? QString() : value.toString();
      const QString folded = foldedText(text);
      // A changed row's text goes to the end; the old run stays unused (a handful of changes).
      const auto at = static_cast<std::uint32_t>(c.chars.size());
      const auto length = static_cast<std::uint16_t>(std::min<qsizetype>(folded.size(), kNullLength - 1));
      c.chars.insert(c.chars.end(), folded.utf16(), folded.utf16() + length);
      const auto storedAt = static_cast<std::uint32_t>(c.stored.size());
      const auto storedLength =
          null ? kNullLength : static_cast<std::uint16_t>(std::min<qsizetype>(text.size(), kNullLength - 1));
      if (!null) c.stored.insert(c.stored.end(), text.utf16(), text.utf16() + storedLength);
      if (appending) {
        c.begin.push_back(at);
        c.len.push_back(length);
        c.storedBegin.push_back(storedAt);
        c.storedLen.push_back(storedLength);
      } else {
        c.begin[row] = at;
        c.len[row] = length;
        c.storedBegin[row] = storedAt;
        c.storedLen[row] = storedLength;
      }
      break;
    }
    case Column::Distinct: {
      std::uint32_t id = kNullId;
      if (value.isValid()) {
        const QString text = value.toString();
        auto it = c.numberOf.constFind(text);
        if (it == c.numberOf.constEnd()) {
          it = c.numberOf.insert(text, static_cast<std::uint32_t>(c.texts.size()));
          c.texts.push_back(text);
          c.folded.push_back(foldedText(text));
        }
        id = *it;
      }
      if (appending)
        c.ids.push_back(id);
      else
        c.ids[row] = id;
      break;
    }
    case Column::Whole: {
      const bool null = !value.isValid();
      const qint64 v = null ? 0 : value.toLongLong();
      if (appending) {
        c.values.push_back(v);
        c.nulls.push_back(null ? 1 : 0);
      } else {
        c.values[row] = v;
        c.nulls[row] = null ? 1 : 0;
      }
      break;
    }
  }
}

void ListIndex::append(const Row& held) {
  for (Column& c : columns_) put(c, size_, held[static_cast<std::size_t>(c.slot)], true);
  ++size_;
}

void ListIndex::set(std::size_t row, const Row& held) {
  if (row >= size_) return;
  for (Column& c : columns_) put(c, row, held[static_cast<std::size_t>(c.slot)], false);
}

void ListIndex::erase(std::size_t row) {
  if (row >= size_) return;
  const auto at = static_cast<std::ptrdiff_t>(row);
  for (Column& c : columns_) {
    switch (c.kind) {
      case Column::Runs:
        c.begin.erase(c.begin.begin() + at);
        c.len.erase(c.len.begin() + at);
        c.storedBegin.erase(c.storedBegin.begin() + at);
        c.storedLen.erase(c.storedLen.begin() + at);
        break;
      case Column::Distinct: c.ids.erase(c.ids.begin() + at); break;
      case Column::Whole:
        c.values.erase(c.values.begin() + at);
        c.nulls.erase(c.nulls.begin() + at);
        break;
    }
  }
  --size_;
}

ListIndex ListIndex::takeForRebuild() {
  ListIndex out;
  out.keyColumn_ = keyColumn_;
  for (Column& c : columns_) {
    Column n;
    n.column = c.column;
    n.slot = c.slot;
    n.kind = c.kind;
    n.texts = std::move(c.texts);
    n.folded = std::move(c.folded);
    n.numberOf = std::move(c.numberOf);
    c.texts.clear();
    c.folded.clear();
    c.numberOf.clear();
    if (n.kind == Column::Runs) {
      n.chars.reserve(c.chars.size());
      n.stored.reserve(c.stored.size());
    }
    out.columns_.push_back(std::move(n));
  }
  return out;
}

void ListIndex::shrinkToFit() {
  for (Column& c : columns_) {
    c.chars.shrink_to_fit();
    c.begin.shrink_to_fit();
    c.len.shrink_to_fit();
    c.stored.shrink_to_fit();
    c.storedBegin.shrink_to_fit();
    c.storedLen.shrink_to_fit();
    c.ids.shrink_to_fit();
    c.values.shrink_to_fit();
    c.nulls.shrink_to_fit();
  }
}

void ListIndex::appendFrom(const ListIndex& other, std::size_t row) {
  for (std::size_t i = 0; i < columns_.size() && i < other.columns_.size(); ++i) {
    Column& c = columns_[i];
    const Column& o = other.columns_[i];
    switch (c.kind) {
      case Column::Runs: {
        const auto at = static_cast<std::uint32_t>(c.chars.size());
        const char16_t* from = o.chars.data() + o.begin[row];
        c.chars.insert(c.chars.end(), from, from + o.len[row]);
        c.begin.push_back(at);
        c.len.push_back(o.len[row]);
        const auto storedAt = static_cast<std::uint32_t>(c.stored.size());
        const std::uint16_t storedLength = o.storedLen[row];
        if (storedLength != kNullLength) {
          const char16_t* text = o.stored.data() + o.storedBegin[row];
          c.stored.insert(c.stored.end(), text, text + storedLength);
        }
        c.storedBegin.push_back(storedAt);
        c.storedLen.push_back(storedLength);
        break;
      }
      case Column::Distinct: c.ids.push_back(o.ids[row]); break;
      case Column::Whole:
        c.values.push_back(o.values[row]);
        c.nulls.push_back(o.nulls[row]);
        break;
    }
  }
  ++size_;
}

void ListIndex::keepText(int column, const QString& foldedPart, Match match, std::vector<char>& keep) const {
  const Column* c = find(column);
  if (!c || foldedPart.isEmpty()) return;
  const std::size_t n = std::min(keep.size(), size_);
  const QStringView part(foldedPart);
  const auto test = [&](QStringView text) {
    switch (match) {
      case Match::Prefix: return text.startsWith(part);
      case Match::Part: return text.contains(part);
      case Match::Whole: return text == part;
    }
    return false;
  };
  if (c->kind == Column::Runs) {
    const auto p = static_cast<std::size_t>(part.size());
    for (std::size_t r = 0; r < n; ++r) {
      if (!keep[r]) continue;
      const std::size_t length = c->len[r];
      const char16_t* text = c->chars.data() + c->begin[r];
      if (match == Match::Prefix || match == Match::Whole) {
        const bool fits = match == Match::Prefix ? length >= p : length == p;
        keep[r] = fits && std::memcmp(text, part.utf16(), p * sizeof(char16_t)) == 0;
      } else {
        keep[r] = test(QStringView(text, static_cast<qsizetype>(length)));
      }
    }
  } else if (c->kind == Column::Distinct) {
    std::vector<char> passes(c->folded.size());
    for (std::size_t t = 0; t < c->folded.size(); ++t) passes[t] = test(c->folded[t]) ? 1 : 0;
    // A null reads as the empty text, which no part (never empty here) matches.
    for (std::size_t r = 0; r < n; ++r) {
      if (keep[r]) keep[r] = c->ids[r] != kNullId && passes[c->ids[r]];
    }
  }
}

}  // namespace records
