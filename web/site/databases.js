// An archive's item on the page: its databases, each under its label with
// its report lines and outcome.
import { inLanguage } from './language.js';

const shown = new WeakMap();  // each database's item -> what the worker said of it

export function listDatabases(databases) {
  const list = document.createElement('ol');
  list.className = 'databases';
  for (const database of databases) {
    const item = document.createElement('li');
    item.className = 'database';
    item.dataset.entry = database.label;
    item.dataset.status = database.status;
    const head = document.createElement('div');
    head.className = 'head';
    const name = document.createElement('span');
    name.className = 'name';
    name.textContent = database.label;
    const outcome = document.createElement('span');
    outcome.className = 'outcome';
    head.append(name, outcome);
    const report = document.createElement('pre');
    report.className = 'report';
    item.append(head, report);
    if (database.detail) {
      const detail = document.createElement('p');
      detail.className = 'detail';
      item.append(detail);
    }
    shown.set(item, database);
    list.append(item);
  }
  return list;
}

// Writes each database's texts in the page's language.
export function relabelDatabases(element, outcomeText) {
  for (const item of element.querySelectorAll('.database')) {
    const database = shown.get(item);
    item.querySelector('.outcome').textContent = outcomeText(database.status);
    item.querySelector('.report').textContent = inLanguage(database.lines).join('\n');
    const detail = item.querySelector('.detail');
    if (detail) detail.textContent = inLanguage(database.detail);
  }
}
